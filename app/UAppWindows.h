#pragma once
// The composition of the program's windows: which mode forms and property panels exist, and the
// main window, splash and colour grid the data module brings up. The program and the tests hand it
// to the data module through its options, so that the data module itself knows no form.

#include "app/DMain.h"

#include <memory>

std::shared_ptr<IAppWindows> MakeAppWindows();

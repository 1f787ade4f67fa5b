// A dialog that includes the data module for a helper it could have through ISharedData: the check
// must refuse it.
#include "app/DMain.h"

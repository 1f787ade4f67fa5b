#include "app/C.h"
#include "app/D.h"

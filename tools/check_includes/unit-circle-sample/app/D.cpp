#include "app/D.h"
#include "app/C.h"

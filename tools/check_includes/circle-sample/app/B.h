// The other half of the made-up circle.
#include "app/A.h"

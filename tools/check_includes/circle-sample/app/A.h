// A header of a made-up circle: the check must refuse it.
#include "app/B.h"

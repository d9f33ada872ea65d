#include "core/units.h"

#include "core/path_parts.h"

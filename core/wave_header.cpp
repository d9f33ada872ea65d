#include "core/wave_header.h"

#include "core/wave_file.h"

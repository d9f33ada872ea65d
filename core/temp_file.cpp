#include "core/temp_file.h"

#include "core/sample_buffer.h"

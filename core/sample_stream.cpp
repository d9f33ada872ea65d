#include "core/sample_stream.h"

#include "core/byte_stream.h"

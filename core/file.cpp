#include "core/file.h"

#include "audio/error_reporter.h"

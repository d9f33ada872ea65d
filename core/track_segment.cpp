#include "core/track_segment.h"

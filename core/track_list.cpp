#include "core/track_list.h"

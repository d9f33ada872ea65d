#include "audio/waitable.h"

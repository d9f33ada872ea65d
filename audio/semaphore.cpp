#include "audio/semaphore.h"

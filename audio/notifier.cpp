#include "audio/notifier.h"

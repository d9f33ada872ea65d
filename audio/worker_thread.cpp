#include "audio/worker_thread.h"

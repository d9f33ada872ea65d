#pragma once
// The options of a recording. The record lives beside the capture loop in
// audio/; this header lets the settings code name it from here as well.

#include "audio/record_settings.h"

#pragma once
// The pages of the settings sheet, in tab order.

#include "ui/export_settings_page.h"
#include "ui/record_settings_page.h"
#include "ui/shot_play_settings_page.h"
#include "ui/split_all_settings_page.h"

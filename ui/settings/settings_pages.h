#pragma once
// The pages of the settings sheet, in tab order.

#include "ui/settings/export_settings_page.h"
#include "ui/settings/record_settings_page.h"
#include "ui/settings/shot_play_settings_page.h"
#include "ui/settings/split_all_settings_page.h"

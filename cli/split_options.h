#pragma once
// The automatic split's settings as the sub-commands that split or explain a
// split take them: the settings page's positions, checked against its ranges.

#include "cli/options.h"
#include "split/split_settings.h"

#include <set>
#include <string>

namespace sundra::cli {

// The option names splitSettingsOf reads.
const std::set<std::string>& splitSettingOptions();

// --sense-level 0..100 (50), --sense-time 0..100 (10), --minimum-time 0..100
// (10), --trim-space 0..1 (1) and --click-filter 0..100 ms (0); a value out of
// its range is a UsageError naming the option.
SplitSettings splitSettingsOf(const Options& options);

} // namespace sundra::cli

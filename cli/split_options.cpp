#include "cli/split_options.h"

namespace sundra::cli {

namespace {

int pageValue(const Options& options, const std::string& name, int fallback, int highest) {
    const long long value = options.integer(name, fallback);
    if (value < 0 || value > highest)
        throw UsageError("option --" + name + " must lie between 0 and " + std::to_string(highest));
    return static_cast<int>(value);
}

} // namespace

const std::set<std::string>& splitSettingOptions() {
    static const std::set<std::string> names{"sense-level", "sense-time", "minimum-time",
                                             "trim-space", "click-filter"};
    return names;
}

SplitSettings splitSettingsOf(const Options& options) {
    SplitSettings settings = SplitSettings::fromPageValues(
        pageValue(options, "sense-level", 50, 100), pageValue(options, "sense-time", 10, 100),
        pageValue(options, "minimum-time", 10, 100), pageValue(options, "trim-space", 1, 1));
    settings.clickFilterMs = pageValue(options, "click-filter", 0, 100);
    return settings;
}

} // namespace sundra::cli

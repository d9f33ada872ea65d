#pragma once
// How long something lasts, as a person reads it: hours, minutes and seconds,
// with as many hours as it takes (a day and a quarter is 30:00:00). The clock of
// the track list and the status bar is units.h's clock(), which is a time of
// day and wraps after 23 hours.

#include <cstdint>
#include <string>

namespace sundra {

// "%02d:%02d:%02d" of whole seconds, hours unbounded; negative counts as 0.
std::string durationText(std::int64_t seconds);

} // namespace sundra

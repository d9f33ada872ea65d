#pragma once
// Times to the millisecond and finer, as the waveform's ruler, the time under
// the pointer and the time dialogs show and read them: "h:mm:ss" with as many
// digits of the second after a point as the display needs. Times are counted
// in microseconds, so that a ruler's ticks and a typed time are exact; frames
// convert to them at a sample rate. (The track list and the status bar's
// position keep units.h's clock() of whole seconds.)

#include <cstdint>
#include <optional>
#include <string>

namespace sundra {

inline constexpr std::int64_t kMicrosPerSecond = 1'000'000;

// "h:mm:ss" (hours unbounded), then a point and decimals (0 to 6) digits of the
// second, truncated; a negative time reads as 0.
std::string timeText(std::int64_t micros, int decimals);

// A typed time: "h:mm:ss", "m:ss" or plain seconds, each with an optional
// fraction after a point ("1:02:03.5", "19:03", "4.25", "90"). Minutes and
// seconds after a colon are two digits below 60; blanks around are ignored;
// digits past the sixth of a fraction are dropped. Empty for anything else.
std::optional<std::int64_t> parseTimeText(const std::string& text);

// The time of frame at rate, truncated to the microsecond.
std::int64_t microsOfFrame(std::int64_t frame, std::int32_t rate);
// The frame nearest to a time at rate.
std::int64_t frameOfMicros(std::int64_t micros, std::int32_t rate);

} // namespace sundra

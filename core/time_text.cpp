#include "core/time_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace sundra {

std::string timeText(std::int64_t micros, int decimals) {
    micros = std::max<std::int64_t>(micros, 0);
    decimals = std::clamp(decimals, 0, 6);
    const std::int64_t seconds = micros / kMicrosPerSecond;
    char text[64];
    int length =
        std::snprintf(text, sizeof text, "%lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    if (decimals > 0) {
        std::int64_t fraction = micros % kMicrosPerSecond;
        for (int drop = 6; drop > decimals; --drop) {
            fraction /= 10;
        }
        std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ".%0*lld",
                      decimals, static_cast<long long>(fraction));
    }
    return text;
}

std::optional<std::int64_t> parseTimeText(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t");
    const auto end = text.find_last_not_of(" \t");
    if (begin == std::string::npos) {
        return std::nullopt;
    }
    const std::string time = text.substr(begin, end - begin + 1);
    const std::string whole = time.substr(0, time.find('.'));
    const std::string fraction =
        whole.size() < time.size() ? time.substr(whole.size() + 1) : std::string();
    if (whole.size() < time.size() && fraction.empty()) {
        return std::nullopt;
    }
    // The parts between colons: digits only, the first at least one, the
    // others exactly two and below 60.
    std::vector<std::int64_t> parts{0};
    std::vector<std::size_t> widths{0};
    for (const char c : whole) {
        if (c == ':') {
            parts.push_back(0);
            widths.push_back(0);
        } else if (std::isdigit(static_cast<unsigned char>(c)) != 0 && widths.back() < 9) {
            parts.back() = parts.back() * 10 + (c - '0');
            ++widths.back();
        } else {
            return std::nullopt;
        }
    }
    if (parts.size() > 3 || widths.front() == 0) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (widths[i] != 2 || parts[i] > 59) {
            return std::nullopt;
        }
    }
    std::int64_t seconds = 0;
    for (const std::int64_t part : parts) {
        seconds = seconds * 60 + part;
    }
    std::int64_t micros = 0;
    std::int64_t scale = kMicrosPerSecond;
    for (const char c : fraction) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            return std::nullopt;
        }
        scale /= 10;
        micros += (c - '0') * scale;
    }
    return seconds * kMicrosPerSecond + micros;
}

std::int64_t microsOfFrame(std::int64_t frame, std::int32_t rate) {
    if (rate <= 0) {
        return 0;
    }
    // Seconds and the rest apart, so that a day of frames cannot overflow.
    return frame / rate * kMicrosPerSecond + frame % rate * kMicrosPerSecond / rate;
}

std::int64_t frameOfMicros(std::int64_t micros, std::int32_t rate) {
    const std::int64_t seconds = micros / kMicrosPerSecond;
    const std::int64_t rest = micros % kMicrosPerSecond;
    return seconds * rate + (rest * rate + kMicrosPerSecond / 2) / kMicrosPerSecond;
}

} // namespace sundra

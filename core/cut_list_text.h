#pragma once
// What the readers and writers of the cut-list layouts share: lines, blanks,
// names and the time texts of their messages. Internal to the cut lists.

#include <cstdint>
#include <string>
#include <vector>

namespace sundra::cut_list_text {

// The text's lines, ended by LF, CR LF or CR, without their line ends and
// without a leading byte-order mark.
std::vector<std::string> linesOf(const std::string& text);
bool isBlank(const std::string& line);
// Without blanks and tabs at either end.
std::string trimmed(const std::string& text);
// Control characters (tabs, line ends) would break a line of either layout.
std::string withoutControls(const std::string& name);
// "title-NN", the name of a row that a list leaves unnamed.
std::string numberedName(const std::string& title, std::size_t index);
// "12.345678 s", for messages.
std::string secondsText(std::int64_t frames, std::int32_t rate);

// Cue sheets count time in CD frames of 1/75 s.
constexpr std::int64_t kCdFramesPerSecond = 75;
// A cue sheet quotes its texts; a quote inside one cannot be escaped in a way
// that every reader understands, so it becomes an apostrophe.
std::string cueSafe(const std::string& text);
// "mm:ss:ff" for a count of CD frames.
std::string cueTime(std::int64_t cdFrames);

} // namespace sundra::cut_list_text

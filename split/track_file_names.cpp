#include "split/track_file_names.h"

#include "split/auto_split.h"

#include <algorithm>
#include <set>

namespace sundra {

namespace {

char safeCharacter(char c) {
    switch (c) {
    case '/':
    case '\\':
        return '-';
    case '"':
        return '\'';
    case '<':
    case '>':
    case ':':
    case '|':
    case '?':
    case '*':
        return '_';
    default:
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    }
}

std::string withoutTrailingDotsAndBlanks(std::string name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    return name;
}

// At most `bytes` bytes, never ending inside a UTF-8 character.
std::string cutTo(std::string name, std::size_t bytes) {
    if (name.size() <= bytes)
        return name;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    name.resize(end);
    return withoutTrailingDotsAndBlanks(std::move(name));
}

// The name with its characters made safe and its ends tidied; may be empty.
std::string cleaned(const std::string& name, std::size_t bytes) {
    std::string out(name.size(), ' ');
    std::transform(name.begin(), name.end(), out.begin(), safeCharacter);
    out.erase(0, out.find_first_not_of('.'));
    return cutTo(withoutTrailingDotsAndBlanks(std::move(out)), bytes);
}

std::string foldedCase(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

} // namespace

std::vector<std::string> trackFileStems(const std::vector<std::string>& rowNames,
                                        const std::string& extension,
                                        const std::string& fileTitle) {
    const std::size_t bytes =
        kMostFileNameBytes > extension.size() + 1 ? kMostFileNameBytes - extension.size() : 1;
    std::vector<std::string> stems;
    std::set<std::string> taken;
    for (std::size_t row = 0; row < rowNames.size(); ++row) {
        std::string stem = cleaned(rowNames[row], bytes);
        if (stem.empty())
            stem = cleaned(
                pieceName(fileTitle.empty() ? "track" : fileTitle, static_cast<int>(row)), bytes);
        std::string unique = stem;
        for (int copy = 2; taken.count(foldedCase(unique)) > 0; ++copy) {
            const std::string suffix = " (" + std::to_string(copy) + ")";
            unique = cutTo(stem, bytes - std::min(bytes, suffix.size())) + suffix;
        }
        taken.insert(foldedCase(unique));
        stems.push_back(std::move(unique));
    }
    return stems;
}

} // namespace sundra

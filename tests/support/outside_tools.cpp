#include "tests/support/outside_tools.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

#include <sys/wait.h>

namespace sundra::test {

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string outputOf(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("could not start: " + command);
    std::string out;
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        out.append(chunk, got);
    const int status = ::pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("failed: " + command);
    return out;
}

std::string decodedSamples(const std::string& path, const std::string& sampleFormat) {
    return outputOf("ffmpeg -v error -i " + shellQuoted(path) + " -f " + sampleFormat + " -");
}

std::string withCapitalNames(const std::string& lines) {
    std::string out = lines;
    bool inName = true;
    for (char& c : out) {
        if (c == '\n')
            inName = true;
        else if (c == '=')
            inName = false;
        else if (inName)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace sundra::test

#pragma once
// Runs the built sundra-cli as a child process and collects its exit status and
// both output streams, so that tests see exactly what a user would.

#include <cstdint>
#include <string>
#include <vector>

namespace sundra::test {

struct CliResult {
    int status = -1; // the exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

CliResult runCli(const std::vector<std::string>& args);
// The same with a limit on the size of every file the program writes
// (RLIMIT_FSIZE, as `ulimit -f` sets it).
CliResult runCliWithFileSizeLimit(const std::vector<std::string>& args, long long limitBytes);

} // namespace sundra::test

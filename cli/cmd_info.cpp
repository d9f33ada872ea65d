#include "cli/commands.h"

#include <cstdio>

namespace sundra::cli {

int runInfo(const Arguments&) {
    std::fputs("sundra-cli: this command is not built yet\n", stderr);
    return 1;
}

} // namespace sundra::cli

#include "audio/error_reporter.h"

#include <cstdio>
#include <memory>
#include <mutex>

namespace sundra {

namespace {

struct Installed {
    std::mutex mutex;
    std::shared_ptr<const ErrorReporter> reporter;
};

Installed& installed() {
    static Installed instance;
    return instance;
}

void printToStandardError(const std::string& text) {
    // One write per report, so that reports from several threads do not interleave.
    const std::string line = text + '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace

void setErrorReporter(ErrorReporter reporter) {
    auto next = reporter ? std::make_shared<const ErrorReporter>(std::move(reporter)) : nullptr;
    Installed& slot = installed();
    std::lock_guard<std::mutex> guard(slot.mutex);
    slot.reporter = std::move(next);
}

void reportError(const std::string& text) {
    std::shared_ptr<const ErrorReporter> current;
    {
        Installed& slot = installed();
        std::lock_guard<std::mutex> guard(slot.mutex);
        current = slot.reporter;
    }
    // Called without the lock: a reporter may install another one, and a
    // report never waits for an installation in progress.
    if (current) {
        (*current)(text);
    } else {
        printToStandardError(text);
    }
}

} // namespace sundra

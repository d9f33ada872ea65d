#pragma once
// Where errors of background work go. The front end installs a reporter at
// start-up (the window program queues a message box on the window thread; the
// command line prints to standard error). A reporter must return at once: it is
// called on worker threads that their owner may be joining.

#include <functional>
#include <string>

namespace sundra {

using ErrorReporter = std::function<void(const std::string& text)>;

// Installs reporter (an empty function restores the default, standard error).
void setErrorReporter(ErrorReporter reporter);
void reportError(const std::string& text);

} // namespace sundra

#include "audio/notifier.h"

namespace sundra {

Notifier& Notifier::none() {
    // The base keeps no state, so one instance serves every thread.
    static Notifier nobody;
    return nobody;
}

} // namespace sundra

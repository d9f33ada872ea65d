#include "core/sample_stream.h"

namespace sundra {

EmptyStream& EmptyStream::shared() {
    // Holds no resource, so destroying it at exit is harmless.
    static EmptyStream instance{WaveFormat{}};
    return instance;
}

} // namespace sundra

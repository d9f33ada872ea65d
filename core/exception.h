#pragma once
// The program's own error type: one message text, shown to the user as it is.
// Raised where a sound device cannot be opened ("Can't open waveout port").

#include <stdexcept>
#include <string>

namespace sundra {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Raised by operations that a stream does not support (truncate or write on a
// plain file reader). No caller performs them; the type exists so that a slip
// is loud rather than silent.
class UnsupportedOperation : public std::logic_error {
public:
    explicit UnsupportedOperation(const std::string& what) : std::logic_error(what) {}
};

} // namespace sundra

#pragma once
// The sound service that WaveOutDevice and WaveInDevice stand on: one stream to
// or from the default device in one PCM format, fed with buffers that the
// caller owns. The port only borrows a queued buffer: the caller must not touch
// it (nor free it) until its completion has been called.
//
// Threads: open, queue, start, reset, close and the waits are called by the
// device's owner (one thread at a time). The completion is called once for
// every queued buffer, in queue order, on a port thread (or, during reset, on
// the thread that called reset); it must only release a semaphore.

#include "core/wave_format.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>

namespace sundra {

enum class SoundDirection { Output, Input };

// One block of sample bytes lent to a port.
struct SoundBuffer {
    std::uint8_t* data = nullptr;
    // Output: the bytes to play. Input: the room to fill.
    std::int32_t length = 0;
    // Input: the bytes the port filled before it completed the buffer.
    std::int32_t recorded = 0;
};

// Results of SoundPort::queue besides success (0).
enum SoundError : int {
    kSoundOk = 0,
    kSoundNotOpen = 1,
    kSoundInvalidBuffer = 2,
    kSoundAlreadyQueued = 3,
    kSoundDeviceError = 4,
};

// A buffer a port can take: a length of 0 or more, with data behind it.
inline bool isQueueable(const SoundBuffer& buffer) {
    return buffer.length >= 0 && (buffer.length == 0 || buffer.data != nullptr);
}

// How every port appends a buffer to its queue, under the port's own lock:
// a buffer that is already waiting is refused; otherwise what it recorded
// before is cleared and it goes to the back.
inline int appendToQueue(std::deque<SoundBuffer*>& queued, SoundBuffer& buffer) {
    if (std::find(queued.begin(), queued.end(), &buffer) != queued.end())
        return kSoundAlreadyQueued;
    buffer.recorded = 0;
    queued.push_back(&buffer);
    return kSoundOk;
}

class SoundPort {
public:
    using Completion = std::function<void()>;

    virtual ~SoundPort() = default;

    // Opens the default device for format; false when there is none or it
    // refuses the format. An output port plays silence until buffers arrive.
    virtual bool open(const WaveFormat& format, SoundDirection direction,
                      Completion bufferDone) = 0;
    // Appends buffer to the queue. 0, or a SoundError when refused (the buffer is
    // then not queued and gets no completion).
    virtual int queue(SoundBuffer& buffer) = 0;
    // Starts the stream: output plays the queue, input fills it.
    virtual bool start() = 0;
    // Stops the stream at once and completes every queued buffer (input buffers
    // keep what was recorded into them so far).
    virtual void reset() = 0;
    // Stops the stream; no completion comes after close returns. Buffers still
    // queued are dropped, so owners reset or wait first.
    virtual void close() = 0;

    // True while buffer is queued or its completion is still running.
    virtual bool isQueued(const SoundBuffer& buffer) const = 0;
    // True when waitUntilPlayed can tell the moment the last queued buffer has
    // played; otherwise owners poll isQueued.
    virtual bool canWaitUntilPlayed() const = 0;
    // Blocks until every queued buffer has played and been completed.
    virtual void waitUntilPlayed() = 0;
};

} // namespace sundra

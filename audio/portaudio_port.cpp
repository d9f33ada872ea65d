#include "audio/portaudio_port.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace sundra {

namespace {

// ALSA reports every probe of a missing device on standard error.
void quietAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Points standard error at /dev/null while PortAudio starts and probes every
// device (ALSA plugins and JACK print there directly), then restores it. The
// descriptor is process-wide, so this is done once only, while PortAudio starts:
// whatever another thread prints meanwhile is lost too.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (saved_ < 0)
            return;
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0 || ::dup2(null, STDERR_FILENO) < 0) {
            if (null >= 0)
                ::close(null);
            ::close(saved_);
            saved_ = -1;
            return;
        }
        ::close(null);
    }
    ~QuietStandardError() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

// PortAudio is started once and kept until the process ends: starting it probes
// every device, which is slow, and devices are opened again and again.
bool portAudioRunning() {
    static const bool running = [] {
        snd_lib_error_set_handler(quietAlsaError);
        QuietStandardError quiet;
        return Pa_Initialize() == paNoError;
    }();
    return running;
}

// The device takes the samples' bytes as they are. 64-bit floats have no
// device format: playback hands them over as 32-bit floats (device_samples.h).
PaSampleFormat sampleFormatOf(const WaveFormat& format) {
    if (isFloat(format))
        return format.bitsPerSample == 32 ? paFloat32 : 0;
    switch (format.bitsPerSample) {
    case 8:
        return paUInt8;
    case 16:
        return paInt16;
    case 24:
        return paInt24;
    case 32:
        return paInt32;
    default:
        return 0;
    }
}

int streamCallback(const void* input, void* output, unsigned long frames,
                   const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* port) {
    static_cast<PortAudioPort*>(port)->process(static_cast<const std::uint8_t*>(input),
                                               static_cast<std::uint8_t*>(output), frames);
    return paContinue;
}

} // namespace

bool portAudioHasOutputDevice() {
    return portAudioRunning() && Pa_GetDefaultOutputDevice() != paNoDevice;
}

bool portAudioHasInputDevice() {
    return portAudioRunning() && Pa_GetDefaultInputDevice() != paNoDevice;
}

PortAudioPort::~PortAudioPort() {
    close();
}

bool PortAudioPort::open(const WaveFormat& format, SoundDirection direction,
                         Completion bufferDone) {
    if (stream_ != nullptr || !portAudioRunning())
        return false;
    const PaSampleFormat sampleFormat = sampleFormatOf(format);
    if (sampleFormat == 0 || format.channels < 1 || format.samplesPerSecond < 1)
        return false;
    const bool output = direction == SoundDirection::Output;
    const PaDeviceIndex device = output ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice();
    if (device == paNoDevice)
        return false;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (info == nullptr)
        return false;

    PaStreamParameters parameters{};
    parameters.device = device;
    parameters.channelCount = format.channels;
    parameters.sampleFormat = sampleFormat;
    parameters.suggestedLatency =
        output ? info->defaultHighOutputLatency : info->defaultHighInputLatency;
    parameters.hostApiSpecificStreamInfo = nullptr;

    format_ = format;
    direction_ = direction;
    bufferDone_ = std::move(bufferDone);
    frameBytes_ = frameSize(format);
    silence_ = format.bitsPerSample == 8 ? 0x80 : 0;
    frontOffset_ = 0;

    PaStream* stream = nullptr;
    const PaError error = Pa_OpenStream(
        &stream, output ? nullptr : &parameters, output ? &parameters : nullptr,
        format.samplesPerSecond, paFramesPerBufferUnspecified, paNoFlag, streamCallback, this);
    if (error != paNoError) {
        bufferDone_ = nullptr;
        return false;
    }
    stream_ = stream;
    return true;
}

int PortAudioPort::queue(SoundBuffer& buffer) {
    if (!isQueueable(buffer))
        return kSoundInvalidBuffer;
    std::lock_guard lock(mutex_);
    if (stream_ == nullptr)
        return kSoundNotOpen;
    return appendToQueue(queued_, buffer);
}

bool PortAudioPort::start() {
    if (stream_ == nullptr)
        return false;
    if (Pa_IsStreamActive(stream_) == 1)
        return true;
    return Pa_StartStream(stream_) == paNoError;
}

void PortAudioPort::completeFront(std::unique_lock<std::mutex>& lock) {
    SoundBuffer* buffer = queued_.front();
    queued_.pop_front();
    if (direction_ == SoundDirection::Input)
        buffer->recorded = frontOffset_;
    frontOffset_ = 0;
    completing_ = buffer;
    lock.unlock();
    if (bufferDone_)
        bufferDone_();
    lock.lock();
    completing_ = nullptr;
    changed_.notify_all();
}

void PortAudioPort::process(const std::uint8_t* input, std::uint8_t* output, unsigned long frames) {
    auto remaining = static_cast<std::int64_t>(frames) * frameBytes_;
    std::unique_lock lock(mutex_);
    while (!queued_.empty()) {
        SoundBuffer& front = *queued_.front();
        const auto count = static_cast<std::int32_t>(
            std::min<std::int64_t>(remaining, front.length - frontOffset_));
        if (count > 0) {
            if (output != nullptr) {
                std::memcpy(output, front.data + frontOffset_, static_cast<std::size_t>(count));
                output += count;
            } else if (input != nullptr) {
                std::memcpy(front.data + frontOffset_, input, static_cast<std::size_t>(count));
                input += count;
            } else {
                std::memset(front.data + frontOffset_, silence_, static_cast<std::size_t>(count));
            }
            frontOffset_ += count;
            remaining -= count;
        }
        if (frontOffset_ < front.length)
            break; // this period is used up
        completeFront(lock);
    }
    lock.unlock();
    // Nothing queued to play: the device gets silence. Recorded sound that
    // finds no queued buffer is lost, as with any device.
    if (output != nullptr && remaining > 0)
        std::memset(output, silence_, static_cast<std::size_t>(remaining));
}

void PortAudioPort::reset() {
    if (stream_ == nullptr)
        return;
    Pa_AbortStream(stream_);
    std::unique_lock lock(mutex_);
    ++resetting_;
    while (!queued_.empty())
        completeFront(lock);
    --resetting_;
    changed_.notify_all();
}

void PortAudioPort::close() {
    if (stream_ == nullptr)
        return;
    Pa_CloseStream(stream_);
    std::lock_guard lock(mutex_);
    stream_ = nullptr;
    queued_.clear();
    frontOffset_ = 0;
    bufferDone_ = nullptr;
}

bool PortAudioPort::isQueued(const SoundBuffer& buffer) const {
    std::lock_guard lock(mutex_);
    return completing_ == &buffer || resetting_ > 0 ||
           std::find(queued_.begin(), queued_.end(), &buffer) != queued_.end();
}

void PortAudioPort::waitUntilPlayed() {
    if (stream_ == nullptr)
        return;
    {
        std::unique_lock lock(mutex_);
        // A stream that stopped by itself (a device that went away) plays
        // nothing more: then stop waiting.
        while (!changed_.wait_for(lock, std::chrono::milliseconds(100),
                                  [this] { return queued_.empty() && completing_ == nullptr; })) {
            if (Pa_IsStreamActive(stream_) != 1)
                return;
        }
    }
    // The last buffers have gone to the device; stopping waits until the
    // device has played them.
    if (direction_ == SoundDirection::Output && Pa_IsStreamActive(stream_) == 1)
        Pa_StopStream(stream_);
}

} // namespace sundra

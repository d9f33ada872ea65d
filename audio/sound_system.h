#pragma once
// Which sound port the devices use. SUNDRA_AUDIO=portaudio or silent chooses;
// by default PortAudio, and the silent port when PortAudio finds no sound
// device at all, so that the program still opens, splits and saves on a
// machine without sound. Tests replace the choice for the whole process.

#include "audio/sound_port.h"

#include <functional>
#include <memory>

namespace sundra {

using SoundPortFactory = std::function<std::unique_ptr<SoundPort>()>;

// A new, unopened port of the process-wide choice.
std::unique_ptr<SoundPort> makeSoundPort();

// Replaces the choice; an empty factory restores the default. Returns the
// factory that was installed before.
SoundPortFactory setSoundPortFactory(SoundPortFactory factory);

// Installs a factory for its lifetime, then puts the previous one back.
class ScopedSoundPortFactory {
public:
    explicit ScopedSoundPortFactory(SoundPortFactory factory)
        : previous_(setSoundPortFactory(std::move(factory))) {}
    ~ScopedSoundPortFactory() { setSoundPortFactory(std::move(previous_)); }
    ScopedSoundPortFactory(const ScopedSoundPortFactory&) = delete;
    ScopedSoundPortFactory& operator=(const ScopedSoundPortFactory&) = delete;

private:
    SoundPortFactory previous_;
};

} // namespace sundra

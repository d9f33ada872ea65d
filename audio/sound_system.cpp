#include "audio/sound_system.h"

#include "audio/error_reporter.h"
#include "audio/portaudio_port.h"
#include "audio/silent_port.h"

#include <cstdlib>
#include <mutex>
#include <string>

namespace sundra {

namespace {

std::mutex& factoryMutex() {
    static std::mutex mutex;
    return mutex;
}

SoundPortFactory& installedFactory() {
    static SoundPortFactory factory;
    return factory;
}

std::unique_ptr<SoundPort> makeDefaultPort() {
    const char* choice = std::getenv("SUNDRA_AUDIO");
    const std::string name = choice != nullptr ? choice : "";
    if (name == "portaudio")
        return std::make_unique<PortAudioPort>();
    if (name == "silent")
        return std::make_unique<SilentPort>();
    if (!name.empty()) {
        static std::once_flag warned;
        std::call_once(warned, [&] {
            reportError("SUNDRA_AUDIO=" + name +
                        " is not known (portaudio or silent); using the default sound device");
        });
    }
    if (portAudioHasOutputDevice() || portAudioHasInputDevice())
        return std::make_unique<PortAudioPort>();
    return std::make_unique<SilentPort>();
}

} // namespace

std::unique_ptr<SoundPort> makeSoundPort() {
    SoundPortFactory factory;
    {
        std::lock_guard lock(factoryMutex());
        factory = installedFactory();
    }
    return factory ? factory() : makeDefaultPort();
}

SoundPortFactory setSoundPortFactory(SoundPortFactory factory) {
    std::lock_guard lock(factoryMutex());
    SoundPortFactory previous = std::move(installedFactory());
    installedFactory() = std::move(factory);
    return previous;
}

} // namespace sundra

#pragma once
// The window program under test: a started CSundraApp on the silent sound port
// (or a test device), WAV files in a temporary folder, and the message texts it
// showed. Commands are driven by number through the frame's command table.

#include "audio/silent_port.h"
#include "audio/sound_system.h"
#include "core/playback_context.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_test_support.h"
#include "ui/app/sundra_app.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>

namespace sundra::uitest {

// A device that takes every block at once and counts what it got.
class CountingDevice : public SampleWriter {
public:
    explicit CountingDevice(const WaveFormat& format) : format_(format) {}
    std::int32_t write(const void*, std::int32_t byteCount) override {
        std::lock_guard lock(mutex_);
        bytes_ += byteCount;
        ++writes_;
        return 0;
    }
    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 0; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    const WaveFormat& format() const override { return format_; }

    std::int64_t bytes() {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        bytes_ = 0;
        writes_ = 0;
    }

private:
    WaveFormat format_;
    std::mutex mutex_;
    std::int64_t bytes_ = 0;
    int writes_ = 0;
};

class WindowTest : public ::testing::Test {
protected:
    // Every test starts as a first start: no settings left by the tests before.
    WindowTest();
    ~WindowTest() override;

    // Starts the program with arguments; expects it to start.
    CSundraApp& start(const QStringList& arguments = {});
    // Starts with a device factory of the test's own.
    CSundraApp& startWith(PlaybackContext::DeviceFactory makeDevice,
                          const QStringList& arguments = {});
    // Devices made by startWithCountingDevice, newest last.
    CSundraApp& startWithCountingDevice(const QStringList& arguments = {});
    CountingDevice& countingDevice() { return *lastCountingDevice_; }

    // A WAV file of 16-bit frames in the test's folder.
    QString wav(const std::string& name, const std::vector<test::Run>& runs,
                const WaveFormat& format = WaveFormat{});

    bool execute(int id);
    bool enabled(int id);
    bool checked(int id);

    test::TempDir folder;
    ScopedSoundPortFactory silent{[] { return std::make_unique<SilentPort>(); }};
    MessageCapture messages;
    std::unique_ptr<CSundraApp> app;

private:
    CountingDevice* lastCountingDevice_ = nullptr;
};

} // namespace sundra::uitest

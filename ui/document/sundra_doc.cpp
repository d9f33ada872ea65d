#include "ui/document/sundra_doc.h"

#include "core/byte_stream.h"
#include "core/exception.h"
#include "core/file.h"
#include "core/path_parts.h"
#include "core/temp_file.h"
#include "core/wave_file.h"

#include <filesystem>
#include <mutex>

namespace {

const char kCannotOpen[] = "file can not opened";

} // namespace

CSundraDoc::CSundraDoc(sundra::PlaybackContext::DeviceFactory makeDevice, MessageSink showMessage)
    : showMessage_(std::move(showMessage)),
      playback_(std::make_unique<sundra::PlaybackContext>(std::make_unique<sundra::EmptyStream>(),
                                                          std::move(makeDevice))),
      cuts_(std::make_unique<CutsModel>(*playback_)) {}

CSundraDoc::~CSundraDoc() = default;

bool CSundraDoc::newDocument() {
    try {
        auto file = std::make_unique<sundra::FileByteStream>(std::make_unique<sundra::TempFile>());
        std::unique_ptr<sundra::SampleReaderWriter> writer =
            std::make_unique<sundra::WaveFileWriter>(sundra::WaveFormat{}, std::move(file));
        playback_->setMaster(std::move(writer));
    } catch (const std::exception& error) {
        // A temporary file that cannot be made, or a device that refuses the
        // default format: the previous master stays.
        showMessage_(error.what());
        return false;
    }
    pathName_.clear();
    hasDocument_ = true;
    startOver();
    return true;
}

bool CSundraDoc::openDocument(const std::string& path) {
    std::unique_ptr<sundra::SampleReaderWriter> master;
    try {
        // A refused header has already closed the file again.
        std::string refusal;
        master = sundra::openWaveFile(path, refusal);
        if (!master) {
            showMessage_(std::string(kCannotOpen) + "\n" + refusal);
            return false;
        }
        playback_->setMaster(std::move(master));
    } catch (const sundra::Exception& error) {
        // The device refused the file's format; master still holds the reader,
        // which closes the file as it goes.
        showMessage_(error.what());
        return false;
    } catch (const sundra::FileError& error) {
        showMessage_(std::string(kCannotOpen) + "\n" + error.what());
        return false;
    } catch (const std::exception& error) {
        showMessage_(error.what());
        return false;
    }
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    pathName_ = absolute.empty() ? path : absolute.lexically_normal().string();
    hasDocument_ = true;
    startOver();
    return true;
}

void CSundraDoc::adoptRecording(std::unique_ptr<sundra::SampleReaderWriter> recording,
                                const std::string& path) {
    std::lock_guard guard(*playback_);
    playback_->setMaster(std::move(recording));
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    pathName_ = absolute.empty() ? path : absolute.lexically_normal().string();
    hasDocument_ = true;
    startOver();
}

void CSundraDoc::startOver() {
    // Every row still points into the old master. Since setMaster the range is
    // the empty track, so no worker reads them; they go now, before anything
    // reads from a track again. A message about a failed open is shown before
    // this, never while the playback lock is held.
    cuts_->startOver(fileTitle(), !pathName_.empty());
}

sundra::CutSource CSundraDoc::cutSource() {
    const sundra::PathParts parts = sundra::splitPath(pathName_);
    return {parts.title + parts.extension, parts.title,
            playback_->master().format().samplesPerSecond, playback_->master().length()};
}

std::string CSundraDoc::fileTitle() const {
    return sundra::fileTitle(pathName_);
}

std::string CSundraDoc::title() const {
    if (!pathName_.empty()) {
        return std::filesystem::path(pathName_).filename().string();
    }
    return hasDocument_ ? "Untitled" : "";
}

#include "split/save_all.h"

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/path_parts.h"
#include "core/sample_buffer.h"
#include "core/units.h"
#include "core/wave_file.h"
#include "split/export_writer.h"
#include "split/staged_file.h"

#include <filesystem>
#include <set>
#include <stdexcept>

namespace sundra {

namespace {

// A track cut from a Broadcast Wave file carries the file's record, with the
// time reference of the track's own first frame.
std::optional<BroadcastInfo> broadcastInfoFor(const TrackSegment& track) {
    const auto* file = dynamic_cast<const WaveFileReader*>(&track.parent());
    if (!file || !file->broadcastInfo())
        return std::nullopt;
    return advancedBy(*file->broadcastInfo(), track.absoluteStart());
}

} // namespace

ExportPathPattern::ExportPathPattern(const std::string& documentPath) {
    const PathParts parts = splitPath(documentPath);
    prefix_ = parts.drive + parts.folder;
    extension_ = parts.extension;
}

ExportPathPattern::ExportPathPattern(const std::string& documentPath, const std::string& folder)
    : ExportPathPattern(documentPath) {
    prefix_ = folder;
    if (!prefix_.empty() && prefix_.back() != '/' && prefix_.back() != '\\')
        prefix_ += '/';
}

SaveAllWork::SaveAllWork(std::string documentPath, std::vector<SaveJob> jobs)
    : documentPath_(std::move(documentPath)), jobs_(std::move(jobs)) {
    for (const SaveJob& job : jobs_)
        if (!job.track)
            throw std::invalid_argument("SaveAllWork: the job " + job.name + " has no track");
}

void SaveAllWork::setTags(std::vector<TrackTags> tags) {
    if (!tags.empty() && tags.size() != jobs_.size())
        throw std::invalid_argument("SaveAllWork: " + titleCountProblem(tags.size(), jobs_.size()));
    tags_ = std::move(tags);
}

int SaveAllWork::run(Event& stopEvent, Notifier& dialog, Notifier& nameShown) {
    ExportPathPattern pattern = outputFolder_ ? ExportPathPattern(documentPath_, *outputFolder_)
                                              : ExportPathPattern(documentPath_);
    if (exportSettings_.format != ExportFormat::Wav)
        pattern.setExtension(exportFormatExtension(exportSettings_.format));
    checkFormats();
    if (!stopEvent.lock(0)) {
        removeStaleTemporaryFiles(pattern);
        for (std::size_t i = 0; i < jobs_.size(); ++i) {
            const SaveJob& job = jobs_[i];
            setCurrentName(job.name);
            nameShown.post();
            currentSource_.store(job.track, std::memory_order_release);
            writeTrack(*job.track, pattern.pathFor(job.name), tagsFor(i));
            // Only between files: a file once begun is always finished.
            if (stopEvent.lock(0))
                break;
        }
    }
    dialog.post(kIdOk, 0);
    return 0;
}

void SaveAllWork::removeStaleTemporaryFiles(const ExportPathPattern& pattern) const {
    // What killed exports left in the folders this one writes to; each folder
    // once.
    std::set<std::string> folders;
    for (const SaveJob& job : jobs_)
        folders.insert(std::filesystem::path(pattern.pathFor(job.name)).parent_path().string());
    for (const std::string& folder : folders)
        StagedFile::removeStaleTemporaryFiles(folder);
}

std::string SaveAllWork::currentName() const {
    std::lock_guard<std::mutex> lock(nameMutex_);
    return currentName_;
}

void SaveAllWork::setCurrentName(const std::string& name) {
    std::lock_guard<std::mutex> lock(nameMutex_);
    currentName_ = name;
}

bool SaveAllWork::isDocumentFile(const std::string& path) const {
    if (documentPath_.empty())
        return false;
    // The same file however its path is written (case, "..", links): a missing
    // target or document is simply not the same file.
    std::error_code notComparable;
    return std::filesystem::equivalent(path, documentPath_, notComparable);
}

void SaveAllWork::checkFormats() const {
    for (const SaveJob& job : jobs_)
        if (auto problem = exportProblem(exportSettings_.format, job.track->format()))
            throw ExportError(*problem);
}

TrackTags SaveAllWork::tagsFor(std::size_t job) const {
    if (!tags_.empty())
        return tags_[job];
    TrackTags tags;
    tags.title = jobs_[job].name;
    tags.trackNumber = static_cast<int>(job) + 1;
    return tags;
}

void SaveAllWork::writeTrack(TrackSegment& track, const std::string& path,
                             const TrackTags& tags) const {
    // The document reads its master from this file while the tracks are copied.
    if (isDocumentFile(path))
        throw FileError(FileError::Cause::SharingViolation, path);

    const WaveFormat format = track.format();
    SampleBuffer buffer(format, blockBytes(format, 1));
    StagedFile staged(path);
    const std::unique_ptr<ExportWriter> writer = makeExportWriter(exportSettings_);
    writer->setBroadcastInfo(broadcastInfoFor(track));
    try {
        writer->open(staged.takeFile(), format, track.length(), tags);
        track.seek(0);
        // A reversed segment has length 0 and gives a file without samples.
        if (track.length() > 0)
            while (readIntoBuffer(track, buffer) > 0)
                writer->write(buffer.data.get(), buffer.used);
        writer->finish();
        staged.commit();
    } catch (const FileError& error) {
        writer->abort();
        // The user knows the file by its name, not by its temporary one.
        if (error.path() == staged.temporaryPath())
            throw FileError(error.cause(), path);
        throw;
    } catch (const ExportError& error) {
        writer->abort();
        throw ExportError(path + ": " + error.what());
    } catch (...) {
        writer->abort();
        throw;
    }
}

} // namespace sundra

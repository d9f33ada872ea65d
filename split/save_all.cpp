#include "split/save_all.h"

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/path_parts.h"
#include "core/sample_buffer.h"
#include "core/units.h"
#include "core/wave_file.h"
#include "split/export_writer.h"
#include "split/staged_file.h"
#include "split/track_file_names.h"

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
    title_ = parts.title;
    extension_ = parts.extension;
}

ExportPathPattern::ExportPathPattern(const std::string& documentPath, const std::string& folder)
    : ExportPathPattern(documentPath) {
    prefix_ = folder;
    if (!prefix_.empty() && prefix_.back() != '/' && prefix_.back() != '\\')
        prefix_ += '/';
}

std::vector<std::string>
ExportPathPattern::fileStemsFor(const std::vector<std::string>& rowNames) const {
    return trackFileStems(rowNames, extension_, title_);
}

std::vector<std::string>
ExportPathPattern::pathsFor(const std::vector<std::string>& rowNames) const {
    std::vector<std::string> paths;
    for (const std::string& stem : fileStemsFor(rowNames)) {
        // The rule keeps every name a plain name in the folder; this is where
        // a file is about to be written, so it is checked once more.
        if (stem.empty() || stem.find_first_of("/\\") != std::string::npos || stem[0] == '.')
            throw std::logic_error("the track file name " + stem + " leaves its folder");
        paths.push_back(pathFor(stem));
    }
    return paths;
}

ExportPathPattern exportPathPattern(const std::string& documentPath,
                                    const std::optional<std::string>& folder, ExportFormat format) {
    ExportPathPattern pattern =
        folder ? ExportPathPattern(documentPath, *folder) : ExportPathPattern(documentPath);
    if (format != ExportFormat::Wav)
        pattern.setExtension(exportFormatExtension(format));
    return pattern;
}

std::vector<std::size_t> existingFiles(const std::vector<std::string>& paths,
                                       const std::string& documentPath) {
    std::vector<std::size_t> existing;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::error_code unknown;
        if (!std::filesystem::exists(paths[i], unknown))
            continue;
        std::error_code notComparable;
        if (!documentPath.empty() &&
            std::filesystem::equivalent(paths[i], documentPath, notComparable))
            continue;
        existing.push_back(i);
    }
    return existing;
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
    std::vector<std::string> names;
    for (const SaveJob& job : jobs_)
        names.push_back(job.name);
    const std::vector<std::string> paths =
        exportPathPattern(documentPath_, outputFolder_, exportSettings_.format).pathsFor(names);
    checkFormats();
    if (!stopEvent.lock(0)) {
        removeStaleTemporaryFiles(paths);
        for (std::size_t i = 0; i < jobs_.size(); ++i) {
            const SaveJob& job = jobs_[i];
            setCurrentName(job.name);
            currentJob_.store(static_cast<int>(i), std::memory_order_release);
            nameShown.post();
            currentSource_.store(job.track, std::memory_order_release);
            try {
                if (!writeTrack(*job.track, paths[i], tagsFor(i), stopEvent))
                    break;
            } catch (...) {
                failedJob_.store(static_cast<int>(i), std::memory_order_release);
                throw;
            }
            filesWritten_.fetch_add(1, std::memory_order_release);
            if (stopEvent.lock(0))
                break;
        }
    }
    dialog.post(kIdOk, 0);
    return 0;
}

void SaveAllWork::removeStaleTemporaryFiles(const std::vector<std::string>& paths) const {
    // What killed exports left in the folders this one writes to; each folder
    // once.
    std::set<std::string> folders;
    for (const std::string& path : paths)
        folders.insert(std::filesystem::path(path).parent_path().string());
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

void SaveAllWork::checkFormats() {
    for (std::size_t i = 0; i < jobs_.size(); ++i)
        if (auto problem = exportProblem(exportSettings_.format, jobs_[i].track->format())) {
            failedJob_.store(static_cast<int>(i), std::memory_order_release);
            throw ExportError(*problem);
        }
}

TrackTags SaveAllWork::tagsFor(std::size_t job) const {
    if (!tags_.empty())
        return tags_[job];
    TrackTags tags;
    tags.title = jobs_[job].name;
    tags.trackNumber = static_cast<int>(job) + 1;
    return tags;
}

bool SaveAllWork::writeTrack(TrackSegment& track, const std::string& path, const TrackTags& tags,
                             Event& stopEvent) const {
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
        bool stopped = false;
        if (track.length() > 0)
            while (!(stopped = stopEvent.lock(0)) && readIntoBuffer(track, buffer) > 0)
                writer->write(buffer.data.get(), buffer.used);
        if (stopped) {
            // The staged file takes the temporary file with it.
            writer->abort();
            return false;
        }
        writer->finish();
        staged.commit();
        return true;
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

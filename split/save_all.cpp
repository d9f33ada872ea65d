#include "split/save_all.h"

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/path_parts.h"
#include "core/sample_buffer.h"
#include "core/units.h"
#include "core/wave_file.h"
#include "split/staged_file.h"

#include <filesystem>
#include <set>
#include <stdexcept>

namespace sundra {

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

int SaveAllWork::run(Event& stopEvent, Notifier& dialog, Notifier& nameShown) {
    const ExportPathPattern pattern = outputFolder_
                                          ? ExportPathPattern(documentPath_, *outputFolder_)
                                          : ExportPathPattern(documentPath_);
    if (!stopEvent.lock(0)) {
        removeStaleTemporaryFiles(pattern);
        for (const SaveJob& job : jobs_) {
            setCurrentName(job.name);
            nameShown.post();
            currentSource_.store(job.track, std::memory_order_release);
            writeTrack(*job.track, pattern.pathFor(job.name));
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

void SaveAllWork::writeTrack(TrackSegment& track, const std::string& path) const {
    // The document reads its master from this file while the tracks are copied.
    if (isDocumentFile(path))
        throw FileError(FileError::Cause::SharingViolation, path);

    const WaveFormat format = track.format();
    SampleBuffer buffer(format, blockBytes(format, 1));
    StagedFile staged(path);
    try {
        {
            WaveFileWriter writer(format, std::make_unique<FileByteStream>(staged.takeFile()),
                                  track.length());
            track.seek(0);
            // A reversed segment has length 0 and gives a file without samples.
            if (track.length() > 0)
                while (readIntoBuffer(track, buffer) > 0)
                    writeBuffer(writer, buffer);
            // Finished here so that a failure is seen; the writer's destructor
            // rewrites the same header and closes the file.
            writer.flushHeader();
        }
        staged.commit();
    } catch (const FileError& error) {
        // The user knows the file by its name, not by its temporary one.
        if (error.path() == staged.temporaryPath())
            throw FileError(error.cause(), path);
        throw;
    }
}

} // namespace sundra

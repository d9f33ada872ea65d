#pragma once
// The export of every track to a file of its own (the Save All work, without
// its dialog): WAV by default, or one of the compressed formats with tags.
// SaveAllWork holds a snapshot of the rows (names and non-owning track
// pointers) and writes one file per job, in order, on the worker thread that
// calls run. The window thread may meanwhile read currentName (after the
// nameShown post) and currentSource (from a progress timer).
//
// Each file is written under a temporary name and renamed into place when
// complete, so a failed, cancelled or interrupted export never leaves a
// cut-short file under a track's name, and the document's own file is never
// written. A stop is seen between blocks of one second, so a cancel takes
// effect at once even in the middle of a long track. An export
// begins by removing the temporary files that killed exports left in its
// folders.

#include "audio/notifier.h"
#include "audio/waitable.h"
#include "core/track_segment.h"
#include "split/export_format.h"
#include "split/track_tags.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sundra {

struct SaveJob {
    std::string name;    // the row's name when the export started
    TrackSegment* track; // the row's track; the list keeps owning it
};

// Where the files of an export go: the document's drive and folder (or the
// folder chosen instead), then the file name that the rule of
// track_file_names.h makes of the job's name, then the document's extension.
class ExportPathPattern {
public:
    explicit ExportPathPattern(const std::string& documentPath);
    // Writes into folder instead of the document's own folder.
    ExportPathPattern(const std::string& documentPath, const std::string& folder);

    // The file named fileStem, as it stands.
    std::string pathFor(const std::string& fileStem) const {
        return prefix_ + fileStem + extension_;
    }
    // The file names of one export of these rows, in row order.
    std::vector<std::string> fileStemsFor(const std::vector<std::string>& rowNames) const;
    // Their paths, each checked to lie in the folder.
    std::vector<std::string> pathsFor(const std::vector<std::string>& rowNames) const;
    // Files of another format get that format's extension instead.
    void setExtension(std::string extension) { extension_ = std::move(extension); }

private:
    std::string prefix_;
    std::string title_;
    std::string extension_;
};

// The pattern of an export of the given format beside the document or into
// folder.
ExportPathPattern exportPathPattern(const std::string& documentPath,
                                    const std::optional<std::string>& folder, ExportFormat format);

// Which of an export's paths name a file that is there already, by index,
// leaving out the document's own file (which an export never writes). Asked
// before the export begins, so that nothing is replaced without a question.
std::vector<std::size_t> existingFiles(const std::vector<std::string>& paths,
                                       const std::string& documentPath);

class SaveAllWork {
public:
    // Every job must have a track.
    SaveAllWork(std::string documentPath, std::vector<SaveJob> jobs);

    // Writes the files into folder instead of beside the document.
    void setOutputFolder(std::string folder) { outputFolder_ = std::move(folder); }
    // The format of the files; WAV unless set.
    void setExportSettings(const ExportSettings& settings) { exportSettings_ = settings; }
    // The tags of the jobs, one per job in job order. Without them each file is
    // tagged with its job's name as title and its place (from 1) as number.
    void setTags(std::vector<TrackTags> tags);

    // Writes the files one after the other and tests stopEvent before every
    // block: a stop abandons the file in progress (its temporary file is
    // removed, an older file of its name stays as it was) and keeps the files
    // already finished. Posts nameShown.post() when currentName changes and
    // dialog.post(kIdOk, 0) at the end, also after a stop; returns 0. A file
    // that cannot be written throws its FileError (naming the target file), a
    // track the encoder refuses an ExportError; failedJob then names the job,
    // the later jobs are not written and nothing is posted to dialog. A track
    // whose samples the format cannot hold is refused before any file is
    // written.
    int run(Event& stopEvent, Notifier& dialog, Notifier& nameShown);

    // Which job is being written, from 0; -1 before the first. Any thread may ask.
    int currentJob() const { return currentJob_.load(std::memory_order_acquire); }
    // How many files are finished and in place; any thread may ask.
    std::size_t filesWritten() const { return filesWritten_.load(std::memory_order_acquire); }
    // The job whose file could not be written or whose samples the format
    // cannot hold (run threw), or -1.
    int failedJob() const { return failedJob_.load(std::memory_order_acquire); }

    // The name of the file being written; empty before the first.
    std::string currentName() const;
    // The track being written; null before the first, then the last one.
    const TrackSegment* currentSource() const {
        return currentSource_.load(std::memory_order_acquire);
    }

    const std::vector<SaveJob>& jobs() const { return jobs_; }
    const std::string& documentPath() const { return documentPath_; }

private:
    void setCurrentName(const std::string& name);
    void removeStaleTemporaryFiles(const std::vector<std::string>& paths) const;
    void checkFormats();
    TrackTags tagsFor(std::size_t job) const;
    // False when stopEvent abandoned the file.
    bool writeTrack(TrackSegment& track, const std::string& path, const TrackTags& tags,
                    Event& stopEvent) const;
    bool isDocumentFile(const std::string& path) const;

    std::string documentPath_;
    std::vector<SaveJob> jobs_;
    std::optional<std::string> outputFolder_;
    ExportSettings exportSettings_;
    std::vector<TrackTags> tags_;
    mutable std::mutex nameMutex_;
    std::string currentName_;
    std::atomic<TrackSegment*> currentSource_{nullptr};
    std::atomic<int> currentJob_{-1};
    std::atomic<std::size_t> filesWritten_{0};
    std::atomic<int> failedJob_{-1};
};

} // namespace sundra

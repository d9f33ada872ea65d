// split FILE.wav: the automatic split of the whole file, as the window's Auto Split
// does it on the row that a freshly opened file shows, then (with --save) the
// Save All export of the pieces. The work runs on a worker thread like the
// window's dialogs; with --progress this thread draws its progress meanwhile.
// --cue and --labels write the pieces as a cue sheet or a label file. --auto,
// --tracks N and --track-list FILE find the tracks by the gap detection
// instead of the level rule.

#include "audio/worker_thread.h"
#include "cli/commands.h"
#include "cli/detection_options.h"
#include "cli/export_options.h"
#include "cli/options.h"
#include "cli/parallel_export.h"
#include "cli/row_output.h"
#include "cli/source_file.h"
#include "cli/source_guard.h"
#include "cli/split_options.h"
#include "core/byte_stream.h"
#include "core/file.h"
#include "core/path_parts.h"
#include "core/track_segment.h"
#include "core/units.h"
#include "core/wave_file.h"
#include "split/auto_split.h"
#include "split/save_all.h"
#include "split/split_settings.h"
#include "split/track_finder.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <signal.h>

namespace sundra::cli {

namespace {

// Runs work on a worker thread and hands back what it threw.
class CommandTask : public WorkerTask {
public:
    explicit CommandTask(std::function<void(Event&)> work) : work_(std::move(work)) {}

    int run(Event& stopEvent) override {
        try {
            work_(stopEvent);
        } catch (...) {
            error_ = std::current_exception();
        }
        return 0;
    }

    std::exception_ptr error() const { return error_; }

private:
    std::function<void(Event&)> work_;
    std::exception_ptr error_;
};

// Draws "label [####......]  40%" over itself on standard error.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : enabled_(enabled) {}

    void show(const std::string& label, double ratio) {
        if (!enabled_)
            return;
        constexpr int kWidth = 40;
        const int filled = static_cast<int>(std::clamp(ratio, 0.0, 1.0) * kWidth);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.resize(kWidth, '.');
        std::fprintf(stderr, "\r%-24.24s [%s] %3d%%", label.c_str(), bar.c_str(),
                     filled * 100 / kWidth);
        std::fflush(stderr);
        shown_ = true;
    }

    void finish() {
        if (shown_)
            std::fputc('\n', stderr);
        shown_ = false;
    }

private:
    bool enabled_;
    bool shown_ = false;
};

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) {
    interrupted = 1;
}

// Ctrl-C (or a termination request) stops the work as Cancel stops a dialog:
// the file being written is abandoned and its temporary file removed, so no
// cut-short or temporary file stays. A second one ends the program at once.
class InterruptAsCancel {
public:
    InterruptAsCancel() {
        struct sigaction action = {};
        action.sa_handler = onInterrupt;
        action.sa_flags = SA_RESETHAND | SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~InterruptAsCancel() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    InterruptAsCancel(const InterruptAsCancel&) = delete;
    InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;

private:
    struct sigaction oldInt_ = {};
    struct sigaction oldTerm_ = {};
};

// Runs work on a worker thread; meanwhile this thread shows its progress every
// 100 ms and passes an interrupt on as a stop request. Rethrows what the work
// threw once the progress line is closed; throws when it was interrupted.
void runOnWorker(std::function<void(Event&)> work, ProgressLine& progress,
                 const std::function<void(bool finished)>& showProgress) {
    CommandTask task(std::move(work));
    WorkerThread worker;
    if (!worker.start(task))
        throw std::runtime_error("the worker thread did not start");
    while (!worker.wait(100)) {
        if (interrupted)
            worker.requestStop();
        showProgress(false);
    }
    if (!task.error() && !interrupted)
        showProgress(true);
    progress.finish();
    if (task.error())
        std::rethrow_exception(task.error());
    if (interrupted)
        throw std::runtime_error("interrupted; every file written is complete");
}

void printRows(const std::vector<std::string>& names, const std::vector<TrackSegment>& rows) {
    std::printf("name\tstart_frame\tend_frame\tstart\tend\ttotal\n");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TrackSegment& row = rows[i];
        const WaveFormat& format = row.format();
        std::printf("%s\t%d\t%d\t%s\t%s\t%s\n", names[i].c_str(), row.absoluteStart(),
                    row.absoluteEnd(), clock(wholeSeconds(row.absoluteStart(), format)).c_str(),
                    clock(wholeSeconds(row.absoluteEnd(), format)).c_str(),
                    clock(wholeSeconds(row.length(), format)).c_str());
    }
    std::fflush(stdout);
}

// Writes the rows' files with --save: one after the other, or with --jobs N on
// N threads.
int saveRows(const Options& options, const std::string& path, const std::vector<std::string>& names,
             std::vector<TrackSegment>& rows, const ExportChoice& exportChoice,
             ProgressLine& progress);

} // namespace

int runSplit(const Arguments& args) {
    std::set<std::string> valued = splitSettingOptions();
    valued.insert({"out", "cue", "labels", "jobs"});
    valued.insert(detectionValuedOptions().begin(), detectionValuedOptions().end());
    valued.insert(exportOptionNames().begin(), exportOptionNames().end());
    const Options options(args, valued, {"save", "progress", kAutoFlag});
    if (options.positional().size() != 1)
        throw UsageError("needs exactly one FILE.wav");
    const DetectionChoice detection = readDetectionChoice(options);
    if (options.value("out") && !options.has("save"))
        throw UsageError("option --out needs --save");
    // The export options are refused before any work, not after the split.
    if (readExportChoice(options).anyGiven && !options.has("save"))
        throw UsageError("the export options need --save");
    const long long threads = options.integer("jobs", 1);
    if (threads < 1 || threads > 64)
        throw UsageError("option --jobs must lie between 1 and 64");
    const SplitSettings settings = splitSettingsOf(options);
    const std::string path = options.positional().front();
    for (const char* list : {"cue", "labels"})
        if (auto out = options.value(list))
            refuseWritingSource(path, *out);
    const std::string title = fileTitle(path);
    ProgressLine progress(options.has("progress"));
    const InterruptAsCancel interruptAsCancel;

    std::unique_ptr<WaveFileReader> master = openSourceFile(path);
    if (!master) {
        return 1;
    }
    TrackSegment wholeFile(*master);
    PieceList pieces;
    std::optional<FoundTracks> found;
    runOnWorker(
        [&](Event& stopEvent) {
            if (detection.active)
                found = findTrackPieces(wholeFile, detection.request, stopEvent, pieces,
                                        Notifier::none());
            else
                splitAll(wholeFile, settings, stopEvent, pieces, Notifier::none());
        },
        progress,
        [&](bool finished) {
            // The scans leave the file wherever the last one stopped.
            progress.show("splitting " + title, finished ? 1.0 : positionRatio(wholeFile));
        });

    AlbumInfo album;
    if (found) {
        const std::string problem = detectionProblem(detection, *found);
        if (!problem.empty())
            throw std::runtime_error(problem);
        if (const std::string note = fitNote(detection, *found); !note.empty())
            std::fprintf(stderr, "%s\n", note.c_str());
        album = listAlbum(detection, *found);
    }

    // The pieces become rows over the master, as the window inserts them; a
    // track list's titles name them.
    std::vector<std::string> names;
    std::vector<TrackSegment> rows;
    rows.reserve(pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const int number = static_cast<int>(i);
        names.push_back(i < album.titles.size() ? titledTrackName(number + 1, album.titles[i])
                                                : pieceName(title, number));
        rows.emplace_back(*master, pieces[i]->absoluteStart(), pieces[i]->absoluteEnd());
    }
    refuseTrackFilesOverSource(options, path, names, album);
    writeCutListFiles(options, path, names, rows, album);
    return printAndSaveRows(options, path, names, rows, album);
}

int printAndSaveRows(const Options& options, const std::string& path,
                     const std::vector<std::string>& names, std::vector<TrackSegment>& rows,
                     const AlbumInfo& listAlbum) {
    ProgressLine progress(options.has("progress"));
    const InterruptAsCancel interruptAsCancel;
    ExportChoice exportChoice = readExportChoice(options);
    exportChoice.fillFrom(listAlbum);
    // Titles rename the tracks; a count that does not match stops here.
    const std::vector<std::string> plainNames = names;
    const std::vector<std::string> shown =
        options.has("save") ? exportChoice.trackNames(plainNames) : plainNames;
    printRows(shown, rows);
    if (!options.has("save"))
        return 0;
    return saveRows(options, path, shown, rows, exportChoice, progress);
}

namespace {

int saveRows(const Options& options, const std::string& path, const std::vector<std::string>& names,
             std::vector<TrackSegment>& rows, const ExportChoice& exportChoice,
             ProgressLine& progress) {
    const long long threads = options.integer("jobs", 1);
    if (threads > 1) {
        ParallelExport parallel;
        parallel.documentPath = path;
        parallel.outputFolder = options.value("out");
        parallel.settings = exportChoice.settings;
        parallel.names = names;
        parallel.tags = exportChoice.trackTags(names);
        for (const TrackSegment& row : rows) {
            parallel.starts.push_back(row.absoluteStart());
            parallel.ends.push_back(row.absoluteEnd());
        }
        runOnWorker([&](Event& stopEvent) { parallel.run(stopEvent, static_cast<int>(threads)); },
                    progress,
                    [&](bool) {
                        progress.show("saving", static_cast<double>(parallel.filesDone) /
                                                    std::max<std::size_t>(names.size(), 1));
                    });
        return 0;
    }
    std::vector<SaveJob> jobs;
    for (std::size_t i = 0; i < rows.size(); ++i)
        jobs.push_back({names[i], &rows[i]});
    SaveAllWork work(path, std::move(jobs));
    if (auto folder = options.value("out"))
        work.setOutputFolder(*folder);
    work.setExportSettings(exportChoice.settings);
    work.setTags(exportChoice.trackTags(names));
    runOnWorker([&](Event& stopEvent) { work.run(stopEvent, Notifier::none(), Notifier::none()); },
                progress,
                [&](bool finished) {
                    if (const TrackSegment* track = work.currentSource())
                        progress.show("saving " + work.currentName(),
                                      finished ? 1.0 : positionRatio(*track));
                });
    return 0;
}

} // namespace

} // namespace sundra::cli

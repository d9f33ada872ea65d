// Times the Auto Split and Save All dialogs of the window program on a real
// album, offscreen: how long each takes to the end, when its progress bar first
// moves, the longest the window thread went without handling its events (a
// frozen window would show here), and how long Cancel takes to end each dialog.
//
//   bench_dialogs ALBUM.wav OUTDIR [CANCEL_AFTER_MS]
//
// Cancel is clicked CANCEL_AFTER_MS after the start, by default halfway through
// the time the same dialog took to the end.
// Run it through bench/bench_dialogs.sh, which builds it and makes the album.

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/wave_file.h"
#include "split/auto_split.h"
#include "ui/dialogs/save_all_dialog.h"
#include "ui/dialogs/split_all_dialog.h"
#include "ui/platform/message_box_reporter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace sundra;

struct Timing {
    double totalMs = 0;          // show to exec's return
    double firstProgressMs = -1; // exec to the first non-zero progress
    double longestStallMs = 0;   // longest gap between two 10 ms ticks of the window
    double cancelMs = -1;        // the Cancel click to exec's return
    int result = 0;
};

// Runs dialog modally; clicks its Cancel button cancelAfterMs after the start
// when that is not negative.
Timing runDialog(QDialog& dialog, QProgressBar& progress, QPushButton& cancel, int cancelAfterMs) {
    Timing timing;
    QElapsedTimer clock;
    QElapsedTimer cancelClock;
    qint64 lastTick = 0;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        timing.longestStallMs = std::max<double>(timing.longestStallMs, double(now - lastTick));
        lastTick = now;
        if (cancelAfterMs >= 0 && now >= cancelAfterMs && !cancelClock.isValid()) {
            cancelClock.start();
            cancel.click();
        }
    });
    QObject::connect(&progress, &QProgressBar::valueChanged, [&](int value) {
        if (timing.firstProgressMs < 0 && value > 0 && clock.isValid())
            timing.firstProgressMs = double(clock.nsecsElapsed()) / 1e6;
    });
    // exec shows the dialog, which starts the worker.
    clock.start();
    watch.start();
    timing.result = dialog.exec();
    watch.stop();
    timing.totalMs = double(clock.nsecsElapsed()) / 1e6;
    if (cancelClock.isValid())
        timing.cancelMs = double(cancelClock.nsecsElapsed()) / 1e6;
    return timing;
}

void print(const char* name, const Timing& timing) {
    std::printf("%-28s %s  total %8.1f ms  first progress %6.1f ms  longest stall %6.1f ms", name,
                timing.result == QDialog::Accepted ? "OK    " : "Cancel", timing.totalMs,
                timing.firstProgressMs, timing.longestStallMs);
    if (timing.cancelMs >= 0)
        std::printf("  cancel %7.1f ms", timing.cancelMs);
    std::printf("\n");
}

std::unique_ptr<WaveFileReader> openAlbum(const std::string& path) {
    auto reader = std::make_unique<WaveFileReader>();
    if (!reader->attach(std::make_unique<FileByteStream>(std::make_unique<File>(
            path, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting)))) {
        std::fprintf(stderr, "bench_dialogs: %s is not a WAV file\n", path.c_str());
        std::exit(1);
    }
    return reader;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_dialogs ALBUM.wav OUTDIR [CANCEL_AFTER_MS]\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    installMessageBoxErrorReporter();
    setMessageSinkForTests([](const QString& text) {
        std::fprintf(stderr, "message box: %s\n", text.toLocal8Bit().constData());
    });
    const std::string album = argv[1];
    const std::string outFolder = argv[2];
    const int fixedCancelAfterMs = argc > 3 ? std::atoi(argv[3]) : -1;
    auto cancelPoint = [&](const Timing& full) {
        return fixedCancelAfterMs >= 0 ? fixedCancelAfterMs : static_cast<int>(full.totalMs / 2);
    };

    std::unique_ptr<WaveFileReader> master = openAlbum(album);
    const SplitSettings settings = SplitSettings::fromPageValues(50, 10, 10, 1);

    // Auto Split to the end; its pieces become the tracks that Save All writes.
    std::vector<std::unique_ptr<TrackSegment>> tracks;
    Timing split;
    {
        TrackSegment whole(*master);
        CSplitAllDialog dialog(whole, settings, nullptr);
        split = runDialog(dialog, *dialog.progressBar(), *dialog.cancelButton(), -1);
        print("split all", split);
        for (const auto& piece : dialog.pieces())
            tracks.push_back(std::make_unique<TrackSegment>(*master, piece->absoluteStart(),
                                                            piece->absoluteEnd()));
        std::printf("pieces: %zu\n", tracks.size());
    }
    {
        TrackSegment whole(*master);
        CSplitAllDialog dialog(whole, settings, nullptr);
        print("split all, cancelled",
              runDialog(dialog, *dialog.progressBar(), *dialog.cancelButton(), cancelPoint(split)));
    }

    auto fillJobs = [&](CSaveAllDialog& dialog) {
        dialog.setOutputFolder(outFolder);
        for (std::size_t i = 0; i < tracks.size(); ++i)
            dialog.addJob(pieceName("album", static_cast<int>(i)), tracks[i].get());
    };
    Timing save;
    {
        CSaveAllDialog dialog(album, nullptr);
        fillJobs(dialog);
        save = runDialog(dialog, *dialog.progressBar(), *dialog.cancelButton(), -1);
        print("save all", save);
    }
    {
        auto dialog = std::make_unique<CSaveAllDialog>(album, nullptr);
        fillJobs(*dialog);
        const Timing timing =
            runDialog(*dialog, *dialog->progressBar(), *dialog->cancelButton(), cancelPoint(save));
        QElapsedTimer join;
        join.start();
        dialog.reset();
        print("save all, cancelled", timing);
        std::printf("%-28s the worker finished its file %.1f ms after the dialog closed\n", "",
                    double(join.nsecsElapsed()) / 1e6);
    }
    return 0;
}

// Times one paint of the main view's waveform strip, offscreen, on an album of
// an hour (or any file): the whole file in view (the summary's coarse levels),
// a one-minute view (its fine level) and a close-up below 256 frames a pixel
// (drawn from the samples). The window is 1280 x 800; the album is split at
// its pauses first, so the strip draws its tracks and cuts too.
//
//   bench_strip_paint ALBUM.wav [PAINTS]
//
// Run it through bench/bench_strip_paint.sh, which builds it and makes the album.

#include "audio/silent_port.h"
#include "audio/sound_system.h"
#include "audio/waitable.h"
#include "split/auto_split.h"
#include "ui/app/main_frame.h"
#include "ui/app/sundra_app.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/settings/settings_pages.h"
#include "ui/settings/split_all_settings_page.h"
#include "ui/view/sundra_view.h"
#include "ui/waveform/waveform_strip.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void settle() {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Median and largest time of paints repaints, in milliseconds.
void timePaints(const char* name, WaveformStrip& strip, int paints) {
    std::vector<double> times;
    for (int i = 0; i < paints; ++i) {
        QElapsedTimer clock;
        clock.start();
        strip.repaint();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-34s %6.0f frames a pixel   median %6.2f ms   max %6.2f ms   (%d paints)\n", name,
                strip.framesPerPixel(), times[times.size() / 2], times.back(), paints);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_strip_paint ALBUM.wav [PAINTS]\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    installMessageBoxErrorReporter();
    const int paints = argc > 2 ? std::atoi(argv[2]) : 200;
    sundra::ScopedSoundPortFactory silent([] { return std::make_unique<sundra::SilentPort>(); });

    CSundraApp app;
    if (app.initInstance({QString::fromLocal8Bit(argv[1])}) != CSundraApp::StartResult::Started)
        return 1;
    CSundraView& view = app.view();
    WaveformStrip& strip = view.waveform();
    app.frame().resize(1280, 800);
    app.frame().show();
    settle();

    QElapsedTimer build;
    build.start();
    while (strip.building())
        settle();
    std::printf("summary of %lld frames built in %.0f ms (window thread free meanwhile)\n",
                static_cast<long long>(strip.totalFrames()), static_cast<double>(build.elapsed()));

    {
        sundra::KernelEvent stop(false, true);
        sundra::PieceList pieces;
        sundra::splitAll(app.document().playback().range(),
                         view.settings().splitPage().splitSettings(), stop, pieces,
                         sundra::Notifier::none());
        view.cuts().applyPieces(view.selectedTrack(), pieces);
    }
    view.SelectTrack(std::min(3, view.cuts().rowCount() - 1), false);
    settle();
    std::printf("strip %d x %d, %d tracks\n", strip.width(), strip.height(),
                view.cuts().rowCount());

    strip.showWholeFile();
    timePaints("whole file in view", strip, paints);
    strip.zoomAt(strip.framesPerPixel() * strip.width() / (60.0 * 44100), 0);
    timePaints("one minute in view", strip, paints);
    strip.zoomAt(strip.framesPerPixel() / 100.0, strip.width() / 2.0);
    timePaints("close-up from the samples", strip, paints);
    app.shutdown();
    return 0;
}

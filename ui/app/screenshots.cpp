#include "ui/app/screenshots.h"

#include "audio/silent_port.h"
#include "audio/sound_system.h"
#include "audio/waitable.h"
#include "core/byte_stream.h"
#include "core/file.h"
#include "core/wave_file.h"
#include "split/auto_split.h"
#include "ui/app/main_frame.h"
#include "ui/app/sundra_app.h"
#include "ui/dialogs/about_box.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/settings/settings_pages.h"
#include "ui/settings/settings_sheet.h"
#include "ui/view/position_bar.h"
#include "ui/view/sundra_view.h"
#include "ui/view/transport.h"
#include "ui/waveform/waveform_strip.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <vector>

namespace {

// An album of four songs (swelling tones of different pitch and loudness) with two
// seconds of silence between them, 44100 Hz stereo 16-bit.
void writeAlbum(const std::string& path) {
    const sundra::WaveFormat format;
    auto file = std::make_unique<sundra::File>(path, sundra::File::Access::ReadWrite,
                                               sundra::File::Share::Exclusive,
                                               sundra::File::Disposition::Create);
    sundra::WaveFileWriter writer(format,
                                  std::make_unique<sundra::FileByteStream>(std::move(file)));
    const double pitches[] = {220.0, 330.0, 262.0, 392.0};
    const double loudness[] = {0.7, 0.5, 0.8, 0.6};
    std::vector<std::int16_t> block;
    for (int song = 0; song < 4; ++song) {
        const int soundFrames = format.samplesPerSecond * (6 + song);
        const int silentFrames = format.samplesPerSecond * 2;
        block.assign(static_cast<std::size_t>(soundFrames + silentFrames) * 2, 0);
        for (int frame = 0; frame < soundFrames; ++frame) {
            const double t = static_cast<double>(frame) / format.samplesPerSecond;
            // A slow swell, so the waveform looks like music rather than a block.
            const double swell = 0.6 + 0.4 * std::sin(2.0 * M_PI * t / (1.3 + 0.4 * song));
            const double value = loudness[song] * swell * std::sin(2.0 * M_PI * pitches[song] * t);
            const auto left = static_cast<std::int16_t>(value * 32767.0);
            block[static_cast<std::size_t>(frame) * 2] = left;
            block[static_cast<std::size_t>(frame) * 2 + 1] = static_cast<std::int16_t>(left * 0.8);
        }
        writer.write(block.data(), static_cast<std::int32_t>(block.size() * sizeof(std::int16_t)));
    }
}

bool save(QWidget& widget, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    const bool saved = widget.grab().save(path, "PNG");
    QTextStream(stdout) << (saved ? "wrote " : "could not write ") << path << Qt::endl;
    return saved;
}

void settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// Cuts the selected row at its pauses, as Auto Split does, without the dialog.
void splitAtPauses(CSundraApp& app) {
    CSundraView& view = app.view();
    sundra::KernelEvent stop(false, true);
    sundra::PieceList pieces;
    sundra::splitAll(app.document().playback().range(), view.settings().splitPage().splitSettings(),
                     stop, pieces, sundra::Notifier::none());
    view.cuts().applyPieces(view.selectedTrack(), pieces);
}

// The pointer resting at x on the strip: the status bar shows its time.
void hover(WaveformStrip& strip, double x) {
    const QPointF at(x, strip.height() / 3.0);
    QMouseEvent move(QEvent::MouseMove, at, strip.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&strip, &move);
}

// The recording split at its pauses: the whole, twenty seconds around its
// first cut with the mark and the pointer near, and 60 ms about the mark.
bool recordingShots(CSundraApp& app, const QDir& folder, const QString& recording) {
    CSundraView& view = app.view();
    WaveformStrip& strip = view.waveform();
    if (!app.OpenDocumentFile(recording)) {
        return false;
    }
    splitAtPauses(app);
    app.frame().resize(1280, 800);
    while (strip.building()) {
        settle(20);
    }
    settle(100);
    bool ok = save(app.frame(), folder, QStringLiteral("recording-whole.png"));

    const int row = std::min(1, view.cuts().rowCount() - 1);
    const std::int64_t cut = view.cuts().trackAt(row)->absoluteStart();
    const std::int32_t rate = app.document().playback().master().format().samplesPerSecond;
    view.SelectTrack(row, false);
    view.transport().MovePositionTo(rate * 3);
    strip.setView(cut - rate * 10, rate * 20.0 / strip.width());
    hover(strip, strip.xOfFrame(cut - rate * 2));
    settle(150);
    ok &= save(app.frame(), folder, QStringLiteral("recording-zoomed.png"));

    const std::int64_t mark = cut + rate * 3;
    strip.setView(mark - rate * 3 / 100, rate * 0.06 / strip.width());
    hover(strip, strip.xOfFrame(mark + rate / 100));
    settle(150);
    ok &= save(app.frame(), folder, QStringLiteral("recording-close.png"));
    // The cuts made here are no edit of the user's: nothing is kept of them.
    view.cuts().markSaved();
    return ok;
}

} // namespace

int writeScreenshots(const QString& folderPath, const QString& recording) {
    QDir folder(folderPath);
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot make " << folderPath << Qt::endl;
        return 1;
    }
    sundra::ScopedSoundPortFactory silent([] { return std::make_unique<sundra::SilentPort>(); });
    QTemporaryDir albumFolder;
    const std::string album =
        QDir(albumFolder.path()).filePath(QStringLiteral("album.wav")).toStdString();
    writeAlbum(album);

    bool ok = true;
    CSundraApp app;
    if (app.initInstance({}) != CSundraApp::StartResult::Started) {
        return 1;
    }
    CMainFrame& frame = app.frame();
    CSundraView& view = app.view();
    frame.resize(640, 480);
    settle(200);
    ok &= save(frame, folder, QStringLiteral("main-empty.png"));

    if (!app.OpenDocumentFile(QString::fromStdString(album))) {
        return 1;
    }
    splitAtPauses(app);
    view.SelectTrack(1, false);
    view.transport().OnHScroll(PositionBar::ThumbTrack, 420);
    app.commands().execute(command::kPlay);
    settle(600);
    ok &= save(frame, folder, QStringLiteral("main-split-playing.png"));
    app.commands().execute(command::kStop);
    settle(100);
    ok &= save(frame, folder, QStringLiteral("main-split-stopped.png"));

    // The waveform at a size that gives it room: the tracks, their cuts, the
    // selected second track and its mark, and the play position.
    frame.resize(960, 720);
    while (view.waveform().building()) {
        settle(20);
    }
    app.commands().execute(command::kPlay);
    settle(300);
    ok &= save(frame, folder, QStringLiteral("main-overview.png"));
    app.commands().execute(command::kStop);
    settle(100);

    {
        CAboutDlg about(&frame);
        about.show();
        settle(100);
        ok &= save(about, folder, QStringLiteral("about.png"));
        about.hide();
    }

    CSettingsSheet& sheet = view.settings().sheet();
    QTimer::singleShot(0, &frame, [&] {
        QDialog* dialog = sheet.dialog();
        QTabWidget* tabs = sheet.tabs();
        if (dialog == nullptr || tabs == nullptr) {
            ok = false;
            return;
        }
        const char* names[] = {"settings-autosplit.png", "settings-record.png",
                               "settings-shotplay.png"};
        for (int i = 0; i < tabs->count() && i < 3; ++i) {
            tabs->setCurrentIndex(i);
            settle(100);
            ok &= save(*dialog, folder, QString::fromLatin1(names[i]));
        }
        dialog->reject();
    });
    sheet.exec(&frame);

    // The whole album again, its pauses on the waveform while the split page
    // is on display.
    app.commands().execute(command::kReset);
    view.SelectTrack(0, false);
    QTimer::singleShot(0, &frame, [&] {
        for (int waited = 0; waited < 5000 && !view.waveform().pauseOverlay(); waited += 20) {
            settle(20);
        }
        settle(100);
        ok &= view.waveform().pauseOverlay().has_value();
        ok &= save(frame, folder, QStringLiteral("main-pauses.png"));
        sheet.dialog()->reject();
    });
    sheet.exec(&frame);

    if (!recording.isEmpty()) {
        // A question (a kept cut list of the recording) has no one to answer.
        sendMessagesToStandardError();
        ok &= recordingShots(app, folder, recording);
    }

    app.shutdown();
    return ok ? 0 : 1;
}

// The pauses on the waveform strip while the split page is on display: they are
// the quiet runs of the selected row at the level the slider shows, follow the
// sliders (a new scan only for the click filter), go with the page's tab and
// with the sheet, and do not appear without a selected row.

#include "split/auto_split.h"
#include "split/block_scan.h"
#include "split/pause_map.h"
#include "split/split_preview.h"
#include "tests/ui/window_test_support.h"
#include "ui/app/main_frame.h"
#include "ui/document/cuts_model.h"
#include "ui/platform/command_ids.h"
#include "ui/settings/settings_pages.h"
#include "ui/view/position_bar.h"
#include "ui/view/split_commands.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"
#include "ui/view/transport.h"
#include "ui/waveform/pause_preview.h"
#include "ui/waveform/waveform_strip.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr std::int32_t kSecond = 44100;
// In the first half of the clicked gap.
constexpr std::int32_t kInGap = 13 * kSecond / 2;

class PausePreviewTest : public WindowTest {
protected:
    CSundraView& view() { return app->view(); }
    WaveformStrip& strip() { return app->view().waveform(); }
    PausePreview& preview() { return app->view().splitCommands().pausePreview(); }

    // Songs at 0.27 and one soft song at 0.09 of full scale; the second gap
    // holds a click of 5 ms in its middle.
    void openAlbum() {
        path = wav("album.wav", {{kSecond, 9000},
                                 {2 * kSecond, 0},
                                 {3 * kSecond, 9000},
                                 {kSecond, 0},
                                 {220, 20000},
                                 {kSecond, 0},
                                 {3 * kSecond, 3000},
                                 {3 * kSecond / 2, 0},
                                 {3 * kSecond, 9000},
                                 {kSecond / 2, 0}})
                   .toStdString();
        start({QString::fromStdString(path)});
        app->frame().resize(1000, 720);
        app->frame().show();
        QApplication::processEvents();
    }

    // The quiet runs of the selected row in frames of the master, from a scan
    // of the test's own; pieces gets Auto Split's pieces there.
    std::vector<FrameSpan> quietRunsOfRow(const SplitSettings& settings,
                                          std::vector<FrameSpan>* pieces = nullptr) {
        const TrackSegment& row = *view().cuts().trackAt(view().selectedTrack());
        std::unique_ptr<WaveFileReader> master = openWave(path);
        TrackSegment track(*master, row.absoluteStart(), row.absoluteEnd());
        const std::optional<BlockScan> scan = scanBlocks(
            track, settings.senseTime, kSplitBlocksPerSecond, settings.clickFilterMs, nullptr);
        std::vector<FrameSpan> spans;
        for (const QuietRun& run : quietRuns(*scan, settings.senseLevel))
            spans.push_back({row.absoluteStart() + scan->blockStart(run.firstBlock),
                             row.absoluteStart() + scan->blockStart(run.endBlock)});
        if (pieces != nullptr) {
            pieces->clear();
            for (const FrameSpan& piece : previewAutoSplit(*scan, settings))
                pieces->push_back(
                    {row.absoluteStart() + piece.start, row.absoluteStart() + piece.end});
        }
        return spans;
    }

    std::vector<FrameSpan> shownPauses() {
        return strip().pauseOverlay() ? strip().pauseOverlay()->pauses : std::vector<FrameSpan>{};
    }
    bool overlayIn() { return strip().pauseOverlay().has_value() && !preview().scanning(); }
    QSlider* slider(const char* name) {
        return view().settings().sheet().dialog()->findChild<QSlider*>(name);
    }
    QRgb pixelAt(std::int32_t frame) {
        return strip().grab().toImage().pixel(static_cast<int>(strip().xOfFrame(frame)),
                                              strip().height() / 4);
    }

    std::string path;
};

TEST_F(PausePreviewTest, ThePausesOfTheRowFollowTheSlidersWhileThePageIsOnDisplay) {
    openAlbum();
    // The selected row starts inside the first gap, off the block grid.
    view().transport().OnHScroll(PositionBar::ThumbTrack, 100);
    ASSERT_TRUE(execute(kSplit));
    view().SelectTrack(1, false);
    ASSERT_GT(view().cuts().trackAt(1)->absoluteStart() % 11025, 0);
    const QRgb plain = pixelAt(kInGap);

    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        // Whatever earlier runs left in the settings: the defaults.
        view().settings().sheet().dialog()->findChild<QPushButton*>("defaultButton")->click();
        ASSERT_TRUE(waitUntil([&] { return overlayIn(); }));
        SplitSettings settings = SplitSettings::fromPageValues(50, 10, 10, 1);
        std::vector<FrameSpan> pieces;
        const std::vector<FrameSpan> atDefault = quietRunsOfRow(settings, &pieces);
        // Both halves of the clicked gap and the gap after the soft song.
        EXPECT_EQ(atDefault.size(), 3u);
        EXPECT_EQ(shownPauses(), atDefault);
        EXPECT_EQ(strip().pauseOverlay()->pieces, pieces);
        // The halves are shorter than the sense time: Auto Split cuts only after the soft song.
        EXPECT_EQ(pieces.size(), 2u);
        EXPECT_LT(atDefault[0].start, kInGap);
        EXPECT_GT(atDefault[0].end, kInGap);
        EXPECT_NE(pixelAt(kInGap), plain); // shaded
        // The gaps without settings, from the same scan.
        EXPECT_TRUE(strip().gapOverlay());

        // Above the soft song's level: the pauses follow at once, no scan.
        slider("senseLevelSlider")->setValue(95);
        EXPECT_FALSE(preview().scanning());
        settings.senseLevel = senseLevelAt(95);
        const std::vector<FrameSpan> atSoft = quietRunsOfRow(settings);
        EXPECT_EQ(atSoft.size(), 2u);
        EXPECT_EQ(shownPauses(), atSoft);
        EXPECT_EQ(strip().pauseOverlay()->senseLevel, settings.senseLevel);

        // A click filter longer than the click needs other block levels.
        slider("clickFilterSlider")->setValue(30);
        ASSERT_TRUE(waitUntil([&] { return overlayIn() && shownPauses().size() == 1; }));
        settings.clickFilterMs = 30;
        EXPECT_EQ(shownPauses(), quietRunsOfRow(settings));
        EXPECT_EQ(preview().scan()->clickFilterMs, 30);

        // Another tab hides them; back on the page they return.
        view().settings().sheet().tabs()->setCurrentIndex(1);
        EXPECT_FALSE(strip().pauseOverlay());
        view().settings().sheet().tabs()->setCurrentIndex(0);
        ASSERT_TRUE(waitUntil([&] { return overlayIn(); }));
        EXPECT_EQ(shownPauses(), quietRunsOfRow(settings));
        // The defaults again for the next run, kept by leaving the tab.
        view().settings().sheet().dialog()->findChild<QPushButton*>("defaultButton")->click();
        view().settings().sheet().tabs()->setCurrentIndex(1);
        view().settings().sheet().dialog()->reject();
    });
    ASSERT_TRUE(execute(kSettings));
    EXPECT_TRUE(ran);
    EXPECT_FALSE(strip().pauseOverlay());
    EXPECT_FALSE(strip().gapOverlay()); // as before the page
    EXPECT_FALSE(preview().shown());
    EXPECT_FALSE(preview().scanning());
    EXPECT_EQ(pixelAt(kInGap), plain);

    // No selected row: nothing to show.
    view().SelectTrack(-1, false);
    QTimer::singleShot(0, [&] {
        QApplication::processEvents();
        EXPECT_FALSE(strip().pauseOverlay());
        EXPECT_FALSE(preview().shown());
        view().settings().sheet().dialog()->reject();
    });
    ASSERT_TRUE(execute(kSettings));
}

} // namespace
} // namespace sundra::uitest

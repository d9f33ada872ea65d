#pragma once
// Why the automatic split finds what it finds: the levels of a track's quiet
// and loud stretches at the current settings, the pauses, a sense level that
// lies between the pauses and the quiet passages inside the pieces, and how
// many pieces every sense level would give. Made from one block scan.

#include "split/block_scan.h"
#include "split/split_preview.h"
#include "split/split_settings.h"
#include "split/track_finder.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace sundra {

// A stretch of the track with the level of its loudest block.
struct LevelStretch {
    FrameSpan frames;
    double level = 0.0;
};

enum class FewPiecesReason {
    None,          // two pieces or more
    NothingLoud,   // every block is at or below the sense level
    NoLongPause,   // no pause between sounds is as long as the sense time
    PiecesTooShort // the sound is cut, but its pieces are not longer than the minimum time
};

struct DetectionReport {
    SplitSettings settings;
    WaveFormat format;
    std::int32_t length = 0;
    std::int32_t blocks = 0;
    std::int32_t loudBlocks = 0; // at the sense level
    // The level below which the quietest tenth of the blocks lie.
    double noiseFloor = 0.0;
    // The pieces of the automatic split with these settings.
    std::vector<FrameSpan> pieces;
    // Of the pauses the split cuts at, the one with the loudest block.
    std::optional<LevelStretch> loudestPause;
    // Of the stretches one pause long inside the sounds, the one whose loudest
    // block is the quietest: the level at which a piece would split there.
    std::optional<LevelStretch> quietestPassage;
    // Quiet stretches between two sounds of any length, the longest first (at
    // most kLongestPauses), and how many there are.
    std::vector<FrameSpan> longestPauses;
    int pauses = 0;
    std::array<int, kSenseLevelPositions> piecesAtLevel{};
    // A sense-level position that parts the pauses from the music, when some
    // level gives two pieces or more.
    std::optional<int> suggestedPosition;
    FewPiecesReason reason = FewPiecesReason::None;
    // The automatic detection over the same pass, when the report was made with
    // it (analyzeTrack does); its floor is the report's noise floor then.
    std::optional<FoundTracks> automatic;
};

inline constexpr std::size_t kLongestPauses = 10;

// The report for the scan's track; the scan must have been made for
// settings.senseTime.
DetectionReport makeDetectionReport(const BlockScan& scan, const SplitSettings& settings);

// The same with the automatic detection of the same track: the suggested sense
// level is then one that gives as many pieces as it finds tracks (when it
// finds two or more), or none when no level does.
DetectionReport makeDetectionReport(const BlockScan& scan, const SplitSettings& settings,
                                    FoundTracks automatic);

// Scans the source from frame 0 and reports, the automatic detection
// included; empty when stopEvent was set.
std::optional<DetectionReport> analyzeTrack(SampleReader& source, const SplitSettings& settings,
                                            Event* stopEvent);

// Texts for the report's readers.
std::string levelText(double level);                                     // "0.0056 (-45.0 dBFS)"
std::string spanText(const FrameSpan& frames, const WaveFormat& format); // "00:03:12.25 for 2.50 s"
std::string reasonText(FewPiecesReason reason);
// What Auto Split says when it found fewer than two pieces: the reason and the
// suggested level. Empty when it found two or more.
std::string fewPiecesMessage(const DetectionReport& report);
// The report as lines of plain text, the plot as a row of counts.
std::vector<std::string> reportLines(const DetectionReport& report);

} // namespace sundra

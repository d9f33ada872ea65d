#pragma once
// The settings of the automatic split, in the units the split works in.

namespace sundra {

struct SplitSettings {
    double senseLevel = 0.05; // level threshold on the full scale of 1.0
    double senseTime = 1.0;   // seconds of quiet that make a pause
    double minimumTime = 1.0; // a piece must be longer than this (seconds)
    bool trimSpace = true;    // leave the pauses out of the pieces
    // Click filter in milliseconds, 0 = off: a loud frame counts only when its
    // 10 ms window lies in a run of ceil(ms / 10) loud windows (BlockReader).
    int clickFilterMs = 0;

    // From the settings pages' raw integers: level x 0.001, times x 0.1, and
    // trimSpace exactly when the stored flag is 1.
    static SplitSettings fromPageValues(int senseLevel, int senseTime, int minimumTime,
                                        int trimSpace);
};

} // namespace sundra

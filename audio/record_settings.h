#pragma once
// The options of a recording, in the units the capture loop works in, made from
// the record settings page's raw integers.

namespace sundra {

struct RecordSettings {
    bool wait = false;               // write nothing until a block reaches waitLevel
    double waitLevel = 0.05;         // fraction of full scale
    bool autoStop = false;           // stop after autoStopTime of blocks below autoStopLevel
    double autoStopLevel = 0.05;     // fraction of full scale
    double autoStopTime = 5.0;       // seconds
    bool overloadStop = false;       // stop when a block rises above overloadStopLevel
    double overloadStopLevel = 0.99; // fraction of full scale

    // A flag is set only when its stored value is exactly 1; levels are x 0.001,
    // the time x 0.1 seconds, the overload level x 0.001 + 0.9.
    static RecordSettings fromPageValues(int wait, int waitLevel, int autoStop, int autoStopLevel,
                                         int autoStopTime, int overloadStop,
                                         int overloadStopLevel);
};

} // namespace sundra

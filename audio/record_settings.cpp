#include "audio/record_settings.h"

namespace sundra {

RecordSettings RecordSettings::fromPageValues(int wait, int waitLevel, int autoStop,
                                              int autoStopLevel, int autoStopTime, int overloadStop,
                                              int overloadStopLevel) {
    RecordSettings settings;
    settings.wait = wait == 1;
    settings.waitLevel = waitLevel * 0.001;
    settings.autoStop = autoStop == 1;
    settings.autoStopLevel = autoStopLevel * 0.001;
    settings.autoStopTime = autoStopTime * 0.1;
    settings.overloadStop = overloadStop == 1;
    settings.overloadStopLevel = overloadStopLevel * 0.001 + 0.9;
    return settings;
}

} // namespace sundra

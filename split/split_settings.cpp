#include "split/split_settings.h"

namespace sundra {

SplitSettings SplitSettings::fromPageValues(int senseLevel, int senseTime, int minimumTime,
                                            int trimSpace) {
    SplitSettings settings;
    settings.senseLevel = senseLevel * 0.001;
    settings.senseTime = senseTime * 0.1;
    settings.minimumTime = minimumTime * 0.1;
    settings.trimSpace = trimSpace == 1;
    return settings;
}

} // namespace sundra

// The recording options made from the record page's raw integers: a flag only
// when its value is exactly 1, levels in thousandths of full scale, the time in
// tenths of a second, the overload level from 0.9 to 1.0.

#include "audio/record_settings.h"

#include <gtest/gtest.h>

namespace {

using sundra::RecordSettings;

TEST(RecordSettings, TheDefaultPageValuesGiveTheDefaultRecord) {
    const RecordSettings settings = RecordSettings::fromPageValues(0, 50, 0, 50, 50, 0, 90);
    EXPECT_FALSE(settings.wait);
    EXPECT_DOUBLE_EQ(settings.waitLevel, 0.05);
    EXPECT_FALSE(settings.autoStop);
    EXPECT_DOUBLE_EQ(settings.autoStopLevel, 0.05);
    EXPECT_DOUBLE_EQ(settings.autoStopTime, 5.0);
    EXPECT_FALSE(settings.overloadStop);
    EXPECT_DOUBLE_EQ(settings.overloadStopLevel, 0.99);
}

TEST(RecordSettings, AFlagIsSetOnlyByExactlyOne) {
    for (int value : {-1, 0, 2, 3, 100}) {
        const RecordSettings settings =
            RecordSettings::fromPageValues(value, 50, value, 50, 50, value, 90);
        EXPECT_FALSE(settings.wait) << value;
        EXPECT_FALSE(settings.autoStop) << value;
        EXPECT_FALSE(settings.overloadStop) << value;
    }
    const RecordSettings set = RecordSettings::fromPageValues(1, 50, 1, 50, 50, 1, 90);
    EXPECT_TRUE(set.wait);
    EXPECT_TRUE(set.autoStop);
    EXPECT_TRUE(set.overloadStop);
}

TEST(RecordSettings, ConvertsEachValueWithItsOwnScale) {
    const RecordSettings low = RecordSettings::fromPageValues(1, 0, 1, 0, 0, 1, 0);
    EXPECT_EQ(low.waitLevel, 0.0);
    EXPECT_EQ(low.autoStopTime, 0.0);
    EXPECT_DOUBLE_EQ(low.overloadStopLevel, 0.9);

    const RecordSettings high = RecordSettings::fromPageValues(1, 100, 1, 100, 100, 1, 100);
    EXPECT_DOUBLE_EQ(high.waitLevel, 0.1);
    EXPECT_DOUBLE_EQ(high.autoStopLevel, 0.1);
    EXPECT_DOUBLE_EQ(high.autoStopTime, 10.0);
    EXPECT_DOUBLE_EQ(high.overloadStopLevel, 1.0);

    // Each field has its own source: no two are swapped.
    const RecordSettings mixed = RecordSettings::fromPageValues(1, 7, 0, 13, 29, 1, 41);
    EXPECT_EQ(mixed.waitLevel, 7 * 0.001);
    EXPECT_EQ(mixed.autoStopLevel, 13 * 0.001);
    EXPECT_EQ(mixed.autoStopTime, 29 * 0.1);
    EXPECT_EQ(mixed.overloadStopLevel, 41 * 0.001 + 0.9);
    EXPECT_TRUE(mixed.wait);
    EXPECT_FALSE(mixed.autoStop);
    EXPECT_TRUE(mixed.overloadStop);
}

TEST(RecordSettings, ValuesOutsideTheSliderRangeAreConvertedAsTheyAre) {
    const RecordSettings settings = RecordSettings::fromPageValues(0, 500, 0, -10, 250, 0, 200);
    EXPECT_DOUBLE_EQ(settings.waitLevel, 0.5);
    EXPECT_DOUBLE_EQ(settings.autoStopLevel, -0.01);
    EXPECT_DOUBLE_EQ(settings.autoStopTime, 25.0);
    EXPECT_DOUBLE_EQ(settings.overloadStopLevel, 1.1);
}

} // namespace

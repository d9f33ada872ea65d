#include "core/wave_format.h"

#include <gtest/gtest.h>

TEST(WaveFormat, DefaultIsCdStereo) {
    sundra::WaveFormat format;
    EXPECT_EQ(sundra::frameSize(format), 4);
    EXPECT_EQ(sundra::bytesPerSecond(format), 176400);
}

#include "core/path_parts.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

void expectParts(const std::string& path, const std::string& drive, const std::string& folder,
                 const std::string& title, const std::string& extension) {
    SCOPED_TRACE(path);
    const PathParts parts = splitPath(path);
    EXPECT_EQ(parts.drive, drive);
    EXPECT_EQ(parts.folder, folder);
    EXPECT_EQ(parts.title, title);
    EXPECT_EQ(parts.extension, extension);
    // The parts always put the path back together.
    EXPECT_EQ(parts.drive + parts.folder + parts.title + parts.extension, path);
}

TEST(PathParts, DriveFolderTitleAndExtension) {
    expectParts("C:\\rec\\take.wav", "C:", "\\rec\\", "take", ".wav");
    expectParts("/home/me/rec/take.wav", "", "/home/me/rec/", "take", ".wav");
    expectParts("C:/mixed\\seps/live.take.WAV", "C:", "/mixed\\seps/", "live.take", ".WAV");
    expectParts("take.wav", "", "", "take", ".wav");
    expectParts("C:take.wav", "C:", "", "take", ".wav");
}

TEST(PathParts, OnlyADotAfterTheLastSeparatorStartsAnExtension) {
    expectParts("D:\\a.b\\live", "D:", "\\a.b\\", "live", "");
    expectParts("/music/v1.2/", "", "/music/v1.2/", "", "");
    expectParts("/music/.hidden", "", "/music/", "", ".hidden");
    expectParts("/music/trailing.", "", "/music/", "trailing", ".");
}

TEST(PathParts, ShortAndEmptyPaths) {
    expectParts("", "", "", "", "");
    expectParts("C", "", "", "C", "");
    expectParts("C:", "C:", "", "", "");
    expectParts(":x", "", "", ":x", "");
    // A colon later on is an ordinary character.
    expectParts("/a:b/c%d.wav", "", "/a:b/", "c%d", ".wav");
    EXPECT_EQ(fileTitle("C:\\rec\\take.wav"), "take");
    EXPECT_EQ(fileTitle("/home/me/Concert 2024.wav"), "Concert 2024");
}

} // namespace
} // namespace sundra

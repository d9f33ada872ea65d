// No command of sundra-cli writes over the file it reads: naming the source as
// an output, directly or through a link, is refused before anything is written.

#include "tests/cli/cli_runner.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sundra {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// The arguments with SRC, OUT, OUTDIR (the folder of OUT) and LISTS/ (the
// folder of the titles and cuts files) put in.
Args filledIn(Args args, const std::string& source, const std::string& out,
              const std::string& lists) {
    for (std::string& arg : args) {
        if (arg == "SRC")
            arg = source;
        else if (arg == "OUT")
            arg = out;
        else if (arg == "OUTDIR")
            arg = fs::path(out).parent_path().string();
        else if (arg.rfind("LISTS/", 0) == 0)
            arg = lists + arg.substr(5);
    }
    return args;
}

TEST(CliSourceGuard, AnOutputThatIsTheSourceExitsOneAndLeavesEveryFileAsItWas) {
    // The first track that --save writes is "01 live.wav", from the title "live".
    const Args commands[] = {
        {"peaks", "SRC", "OUT"},
        {"copy", "SRC", "OUT"},
        {"split", "SRC", "--cue", "OUT"},
        {"split", "SRC", "--labels", "OUT"},
        {"split", "SRC", "--tracks", "2", "--save", "--out", "OUTDIR", "--titles",
         "LISTS/titles.txt"},
        {"cut", "SRC", "--labels", "LISTS/cuts.txt", "--save", "--out", "OUTDIR", "--titles",
         "LISTS/titles.txt"},
    };
    for (const Args& command : commands) {
        for (const char* alias : {"direct", "symbolic link", "hard link"}) {
            SCOPED_TRACE(command[0] + " " + command[2] + " through " + alias);
            test::TempDir dir;
            fs::create_directories(dir.path() / "in" / "other");
            const std::string source = dir.file("in/01 live.wav");
            test::writeRunsWav(source, WaveFormat{},
                               {{44100, 3000}, {44100, 0}, {22050, 3000}, {22050, -3000}});
            test::writeBytes(dir.file("titles.txt"), {'l', 'i', 'v', 'e', '\n', 'x', '\n'});
            test::writeBytes(dir.file("cuts.txt"),
                             {'0', '\t', '1', '\t', 'a', '\n', '2', '\t', '3', '\t', 'b', '\n'});
            const std::string link = dir.file("in/other/01 live.wav");
            if (alias == std::string("symbolic link"))
                fs::create_symlink(source, link);
            else if (alias == std::string("hard link"))
                fs::create_hard_link(source, link);
            const std::string out = alias == std::string("direct") ? source : link;
            const test::Bytes before = test::readBytes(source);
            const auto entries = [&] {
                return std::pair(test::entriesOf(dir.path() / "in"),
                                 test::entriesOf(dir.path() / "in" / "other"));
            };
            const auto entriesBefore = entries();

            const test::CliResult result =
                test::runCli(filledIn(command, source, out, dir.path().string()));
            EXPECT_EQ(result.status, 1) << result.out;
            EXPECT_NE(result.err.find(out + " is the source file " + source), std::string::npos)
                << result.err;
            EXPECT_EQ(test::readBytes(source), before);
            EXPECT_EQ(entries(), entriesBefore);
            EXPECT_EQ(fs::is_symlink(out), alias == std::string("symbolic link"));
        }
    }
}

} // namespace
} // namespace sundra

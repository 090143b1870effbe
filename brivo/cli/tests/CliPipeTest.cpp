// brivo-cli in a pipe: "-" is standard output or input, status lines go to stderr.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/tests/CliRun.h"

namespace {

namespace fs = std::filesystem;

// The bytes without the line of C source that tells the time it was written.
std::string Timeless(std::string text) {
    const std::size_t at = text.find("/* Create Time");
    if (at != std::string::npos) text.erase(at, text.find('\n', at) - at);
    return text;
}

class CliPipeTest : public CliTest {
protected:
    struct Run {
        int status;
        std::string out, err;
    };
    // `command` is a shell line in which CLI stands for brivo-cli and DIR for the folder;
    // its stdout and stderr are kept apart.
    Run Shell(std::string command) const {
        for (std::size_t at; (at = command.find("CLI")) != std::string::npos;)
            command.replace(at, 3, BRIVO_CLI);
        for (std::size_t at; (at = command.find("DIR")) != std::string::npos;)
            command.replace(at, 3, folder.string());
        const fs::path out = folder / "stdout", err = folder / "stderr";
        const int status = std::system(
            ("(" + command + ") >'" + out.string() + "' 2>'" + err.string() + "'").c_str());
        Run run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
        fs::remove(out);
        fs::remove(err);
        return run;
    }
};

// What goes to standard output is byte for byte what the same command writes to a file, and
// every status line goes to stderr (or nowhere with --quiet).
TEST_F(CliPipeTest, StandardOutputCarriesTheFileAndNothingElse) {
    ASSERT_EQ(Shell("CLI extract --range ascii -q -o DIR/ascii.fnt").status, 0);
    ASSERT_EQ(Shell("CLI extract --range ascii -q -o DIR/ascii.h").status, 0);
    struct Case {
        const char* pipe;    // writes to standard output
        const char* file;    // what it must equal
        const char* status;  // a line on stderr; "" with --quiet
    };
    const Case cases[] = {
        {"CLI extract --range ascii -o - --format fnt", "ascii.fnt", "Wrote standard output"},
        {"CLI extract --range ascii -o - --format c", "ascii.h", "Font: "},
        {"CLI extract --range ascii -q -o - --format c", "ascii.h", ""},
        {"CLI extract --range ascii -o DIR/other.h --format fnt && cat DIR/other.h", "ascii.fnt",
         "binary font file"},
        {"CLI convert DIR/ascii.fnt --size 8x16 --range ascii --name ascii -o - --format bdf",
         "ascii.bdf", "Read "},
        {"cat DIR/ascii.fnt | CLI convert - --in-format fnt --size 8x16 --range ascii -o - "
         "--format c",
         "converted.h", "Read standard input"},
        {"CLI convert - --in-format c --size auto --range auto -o - --format fnt <DIR/ascii.h",
         "ascii.fnt", "Wrote standard output"},
        {"CLI preview DIR/ascii.fnt --size 8x16 --range ascii -o - --format png", "ascii.png",
         "Wrote standard output"},
        {"cat DIR/ascii.fnt | CLI preview - --in-format fnt --size 8x16 --range ascii -q -o - "
         "--format png",
         "ascii.png", ""},
    };
    ASSERT_EQ(
        Shell("CLI convert DIR/ascii.fnt --size 8x16 --range ascii -q -o DIR/ascii.bdf").status, 0);
    ASSERT_EQ(
        Shell("CLI convert DIR/ascii.fnt --size 8x16 --range ascii -q -o DIR/converted.h").status,
        0);
    ASSERT_EQ(
        Shell("CLI preview DIR/ascii.fnt --size 8x16 --range ascii -q -o DIR/ascii.png").status, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pipe);
        const Run run = Shell(c.pipe);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string expected = Timeless(ReadBytes(folder / c.file));
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(Timeless(run.out) == expected)
            << run.out.size() << " bytes, not " << expected.size();
        if (*c.status == '\0')
            EXPECT_EQ(run.err, "");
        else
            EXPECT_NE(run.err.find(c.status), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadBytes(folder / "ascii.fnt").size(), 2048u);
    EXPECT_FALSE(fs::exists(folder / "-"));
}

// C source from standard output compiles as it comes down the pipe.
TEST_F(CliPipeTest, CSourceThroughAPipeCompiles) {
    // The array must be there: two 16 x 16 glyphs of 32 bytes.
    const Run run = Shell(
        "{ CLI extract --chars '가A' -o - --format c; "
        "echo 'int check[sizeof data_table == 64 ? 1 : -1];'; } | " C_COMPILER
        " -std=c99 -Wall -Wno-comment -Werror -x c -c - -o DIR/font.o");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(folder / "font.o"));
}

// A stream with no name to tell its form by needs --format; such a mistake is a usage error
// and writes nothing.
TEST_F(CliPipeTest, StreamsWithoutAFormAreRefused) {
    ASSERT_EQ(Shell("CLI extract --range ascii -q -o DIR/ascii.fnt").status, 0);
    const struct {
        const char* command;
        int status;
        const char* message;
    } cases[] = {
        {"CLI extract --range ascii -o -", 2,
         "give --format c, fnt, bdf, gfx, gfx-unicode or lvgl"},
        {"CLI convert DIR/ascii.fnt --size 8x16 --range ascii -o -", 2, "give --format"},
        {"CLI preview DIR/ascii.fnt --size 8x16 --range ascii -o -", 2, "give --format png"},
        {"CLI preview DIR/ascii.fnt --size 8x16 --range ascii -o - --format fnt", 2, "png"},
        {"CLI info - --size 8x16 --range ascii <DIR/ascii.fnt", 2, "give --in-format c or fnt"},
        {"CLI extract --chars '가A' -o - --format fnt", 2, "code table"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const Run run = Shell(c.command);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(folder / "-"));
}

}  // namespace

// What brivo-cli does with the file it is told to write, and how it reports usage errors.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/tests/CliRun.h"

namespace {

namespace fs = std::filesystem;

// A null device to write to. Root gets a node of its own: a fault that replaced the device
// must not take /dev/null from the machine.
std::string NullDevice(const fs::path& folder) {
    if (geteuid() != 0) return "/dev/null";
    const std::string node = (folder / "null").string();
    return mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? node : "";
}

class CliOutputTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        // An ASCII set of 8 x 2 glyphs in both forms.
        std::ofstream(folder / "in.fnt", std::ios::binary) << std::string(256, '\x5a');
    }
    std::string In(const char* name) const { return (folder / name).string(); }
    std::string Convert(const std::string& out, const std::string& more = "") const {
        return "convert " + In("in.fnt") + " --size 8x2 --range ascii " + more + " -o '" + out +
               "'";
    }
};

TEST_F(CliOutputTest, UsageErrorsAreOneLineWithStatusTwo) {
    const char* cases[] = {
        "",
        "extract --range kanji -o x.h",
        "extract --skip 65537 -o x.fnt",
        "extract --skip -1 -o x.fnt",
        "extract",
        "convert in.fnt --size 8x2 --range ascii --out-skip 70000 -o x.fnt",
        "info in.fnt --size 8x2 --range ascii --skip 99999999999",
        "info --no-such-option",
        "extract -o a.h -o b.h",
        "convert in.fnt --size 8x2 --range ascii -o a.h --output b.h",
        "preview in.fnt --size 8x2 --range ascii -o a.png -o b.png",
        "extract --weight 0 -o x.h",
        "extract --weight 1001 -o x.h",
        "extract --weight -1 -o x.h",
        "frobnicate in.fnt",
        // Malformed or out-of-range values, whoever checks them.
        "extract --size 16 -o x.h",
        "extract --size 300x16 -o x.h",
        "extract --height abc -o x.h",
        "extract --height 5000 -o x.h",
        "extract --offset 1 -o x.h",
        "extract --bold-groups 999 -o x.h",
        "extract --threshold 0 -o x.h",
        "extract --name 1abc -o x.h",
        "extract --font '' -o x.h",
        "extract --format png -o x.h",
        "extract -o -",
        "convert in.fnt --size 8 --range ascii -o x.h",
        "convert in.fnt --size 8x2 --range ascii --name for -o x.h",
        "info in.fnt --size 0x2 --range ascii",
        "info - --size 8x2 --range ascii",
        "preview in.fnt --size 8x2 --range ascii --scale 0 -o x.png",
    };
    for (const char* arguments : cases) {
        const CliRun run = Cli(std::string(arguments) + " </dev/null");
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.output.rfind("brivo-cli", 0), 0u) << run.output;
        EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << run.output;
    }
    EXPECT_EQ(Cli("frobnicate in.fnt").output,
              "brivo-cli: unknown subcommand \"frobnicate\": give one of extract, convert, "
              "preview, info (see brivo-cli --help)\n");
    const CliRun version = Cli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("brivo-cli 1.", 0), 0u) << version.output;
}

TEST_F(CliOutputTest, SkipOfSixtyFourKibibytesIsAllowed) {
    const CliRun run = Cli(Convert(In("skip.fnt"), "--out-skip 65536"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(fs::file_size(folder / "skip.fnt"), 65536u + 256u);
}

TEST_F(CliOutputTest, FntSuffixInAnyCaseWritesTheBinaryForm) {
    for (const char* name : {"UPPER.FNT", "mixed.Fnt"}) {
        const CliRun run = Cli(Convert(In(name)));
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_NE(run.output.find("(binary font file)"), std::string::npos) << run.output;
        EXPECT_EQ(ReadBytes(folder / name), std::string(256, '\x5a')) << name;
    }
}

TEST_F(CliOutputTest, DevicesAreWrittenAndReadOnlyFilesKept) {
    const std::string device = NullDevice(folder);
    if (device.empty()) GTEST_SKIP() << "no null device to write to";
    const CliRun null = Cli(Convert(device));
    EXPECT_EQ(null.status, 0) << null.output;
    EXPECT_NE(null.output.find("Wrote " + device), std::string::npos) << null.output;
    struct stat info {};
    ASSERT_EQ(stat(device.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "the device must stay a device";

    std::ofstream(folder / "locked.h") << "precious";
    fs::permissions(folder / "locked.h",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const CliRun locked = Cli(Convert(In("locked.h")));
    EXPECT_EQ(locked.status, 1) << locked.output;
    EXPECT_NE(locked.output.find("is read-only"), std::string::npos) << locked.output;
    EXPECT_EQ(ReadBytes(folder / "locked.h"), "precious");

    fs::create_symlink("made.fnt", folder / "dangling.fnt");
    const CliRun dangling = Cli(Convert(In("dangling.fnt")));
    EXPECT_EQ(dangling.status, 0) << dangling.output;
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.fnt"));
    EXPECT_EQ(ReadBytes(folder / "made.fnt"), std::string(256, '\x5a'));
}

TEST_F(CliOutputTest, PreviewRefusesToOverwriteItsInput) {
    fs::create_directory(folder / "sub");
    fs::create_symlink("in.fnt", folder / "link.fnt");
    for (const std::string& out :
         {In("in.fnt"), (folder / "sub" / ".." / "in.fnt").string(), In("link.fnt")}) {
        const CliRun run =
            Cli("preview " + In("in.fnt") + " --size 8x2 --range ascii -o '" + out + "'");
        EXPECT_EQ(run.status, 1) << out;
        EXPECT_NE(run.output.find("is the glyph file itself"), std::string::npos) << run.output;
        EXPECT_EQ(ReadBytes(folder / "in.fnt"), std::string(256, '\x5a')) << out;
    }
    const CliRun png =
        Cli("preview " + In("in.fnt") + " --size 8x2 --range ascii -o " + In("sheet.png"));
    EXPECT_EQ(png.status, 0) << png.output;
}

// A family fontconfig does not know is drawn with its stand-in (the one fc-match names), with
// a warning; --strict refuses it, and characters that come out blank, before writing.
TEST_F(CliOutputTest, UnknownFamiliesAreNamedAndStrictRefusesThem) {
    std::string standIn;
    FILE* pipe = popen("fc-match -f '%{family[0]}' NoSuchFamilyXYZ", "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) standIn += buffer;
    pclose(pipe);
    ASSERT_FALSE(standIn.empty());
    const std::string warning = "no font family \"NoSuchFamilyXYZ\": drawing with " + standIn;
    const struct {
        std::string arguments;
        int status;
        std::string message;  // "" for none about the family or blank characters
    } cases[] = {
        {"--range ascii --font NoSuchFamilyXYZ", 0, warning},
        {"--range ascii --font NoSuchFamilyXYZ --strict", 1, warning + " (--strict)"},
        {"--range ascii --strict", 0, ""},  // the default face is an alias of ours
        {"--range ascii --font GulimChe --strict", 0, ""},
        {"--range ascii --font 'dejavu sans' --strict", 0, ""},  // control codes do not count
        {"--chars 'A가' --font 'DejaVu Sans' --no-fallback", 0, ""},
        {"--chars 'A가' --font 'DejaVu Sans' --no-fallback --strict", 1,
         "1 characters came out blank: the font lacks them (--strict)\n  0xb0a1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const fs::path out = folder / "font.h";
        const CliRun run = Cli("extract " + c.arguments + " -o " + out.string());
        EXPECT_EQ(run.status, c.status) << run.output;
        EXPECT_EQ(fs::exists(out), c.status == 0);
        if (c.message.empty()) {
            EXPECT_EQ(run.output.find("no font family"), std::string::npos) << run.output;
            EXPECT_EQ(run.output.find("blank"), std::string::npos) << run.output;
        } else {
            EXPECT_NE(run.output.find("brivo-cli extract: " + c.message), std::string::npos)
                << run.output;
        }
        fs::remove(out);
    }
}

// Every help text fits a terminal of 80 columns, and wrapping loses no word.
TEST_F(CliOutputTest, HelpFitsEightyColumns) {
    const struct {
        const char* command;
        const char* words;  // that must still stand together on one line
    } cases[] = {
        {"--help", "Render a code range"}, {"extract --help", "--strict"},
        {"convert --help", "--in-format"}, {"preview --help", "--scale"},
        {"info --help", "--ignore-index"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const CliRun help = Cli(c.command);
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.output.find(c.words), std::string::npos) << help.output;
        std::size_t lines = 0, start = 0;
        for (std::size_t end; (end = help.output.find('\n', start)) != std::string::npos;
             start = end + 1, ++lines) {
            const std::string line = help.output.substr(start, end - start);
            // Columns: UTF-8 continuation bytes take none.
            const auto columns = std::count_if(line.begin(), line.end(), [](char b) {
                return (static_cast<unsigned char>(b) & 0xC0) != 0x80;
            });
            EXPECT_LE(columns, 80) << line;
        }
        EXPECT_GT(lines, 5u);
    }
}

// A sheet too big to draw names a scale that fits (and that scale works), or, when none does,
// --codes, which shows the glyphs of those codes wherever they stand in the file.
TEST_F(CliOutputTest, PreviewNamesWhatFitsAndShowsPartOfASet) {
    std::ofstream(folder / "hangul.fnt").close();
    std::ofstream(folder / "all.fnt").close();
    fs::resize_file(folder / "hangul.fnt", 2350u * 8192u);  // 256 x 256, all blank
    fs::resize_file(folder / "all.fnt", 8742u * 8192u);
    const std::string hangul = In("hangul.fnt") + " --size 256x256 --range hangul";
    const std::string all = In("all.fnt") + " --size 256x256 --range all";
    const CliRun big = Cli("preview " + hangul + " --scale 4 -o " + In("h.png"));
    EXPECT_EQ(big.status, 1);
    const std::size_t at = big.output.find("; --scale ");
    ASSERT_NE(at, std::string::npos) << big.output;
    const std::string scale = big.output.substr(at + 10, big.output.find(' ', at + 10) - at - 10);
    EXPECT_EQ(Cli("preview " + hangul + " --scale " + scale + " -o " + In("h.png")).status, 0);

    const CliRun huge = Cli("preview " + all + " --scale 1 -o " + In("a.png"));
    EXPECT_EQ(huge.status, 1);
    EXPECT_NE(huge.output.find("--codes FIRST-LAST"), std::string::npos) << huge.output;
    EXPECT_FALSE(fs::exists(folder / "a.png"));
    const std::string codes = " --scale 1 --codes 0xB0A1-0xB0FE -o ";
    ASSERT_EQ(Cli("preview " + all + codes + In("a.png")).status, 0);
    ASSERT_EQ(Cli("preview " + hangul + codes + In("b.png")).status, 0);
    EXPECT_TRUE(ReadBytes(folder / "a.png") == ReadBytes(folder / "b.png"));
    EXPECT_LT(fs::file_size(folder / "a.png"), fs::file_size(folder / "h.png"));
    for (const char* bad : {"0xB0A1", "0xB0FE-0xB0A1", "a-b", "1-70000"})
        EXPECT_EQ(Cli("preview " + all + " --codes " + bad + " -o " + In("c.png")).status, 2)
            << bad;
    EXPECT_EQ(Cli("preview " + all + " --codes 0x10-0x20 -o " + In("c.png")).status, 1);
}

}  // namespace

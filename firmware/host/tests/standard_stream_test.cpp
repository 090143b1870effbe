// "-" in every plotter program: standard input where it reads a file, standard
// output where it writes one. Each case runs the real programs through a shell,
// piped as a user pipes them, and compares what reaches standard output byte for
// byte with what the same program writes to a named file. Status lines go to
// standard error, never into the data, and --quiet silences them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// `command` run by sh in `dir`, its standard output and error kept apart.
Outcome run(const fs::path& dir, const std::string& command) {
    Outcome outcome;
    const std::string line = "cd '" + dir.string() + "' && { " + command + "; } 2>stderr.txt";
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe) return outcome;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.out.append(buffer, n);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.err = readFile(dir / "stderr.txt");
    return outcome;
}

struct Case {
    const char* name;
    const char* reference;  // writes the file "ref" without standard streams; "" for none
    const char* command;    // through standard input and output
    int status;
    const char* stderrHas;  // "" when standard error must stay empty
};

// $FIGURE, $SEND and $SIM are the programs; $DATA the test drawings; $EX the
// firmware's examples.
const Case kCases[] = {
    {"FigureFromGcodeStdinToStdout", "$FIGURE from-gcode $DATA/house.gcode -o ref -q",
     "$FIGURE from-gcode - -o - < $DATA/house.gcode", 0,
     "standard output: 1 figure(s), 8 segments"},
    {"FigureStatusToStderrWhenWritingAFile", "", "$FIGURE from-gcode $DATA/house.gcode -o out.txt",
     0, "out.txt: 1 figure(s), 8 segments"},
    {"FigureFromSvgPipedQuiet", "$FIGURE from-svg $DATA/house.svg -o ref -q",
     "cat $DATA/house.svg | $FIGURE from-svg - -o - -q", 0, ""},
    {"FigureToGcodeQuiet", "$FIGURE to-gcode $EX/house.txt -o ref -q",
     "$FIGURE to-gcode - --quiet -o - < $EX/house.txt", 0, ""},
    {"SimPngToStdout", "$SIM $EX/house.txt --png ref", "$SIM --png - < $EX/house.txt", 0, ""},
    {"SimSvgToStdout", "$SIM $EX/house.txt --svg ref", "$SIM - --svg - < $EX/house.txt", 0, ""},
    {"SimCsvToStdout", "$SIM $EX/house.txt --csv ref", "$SIM $EX/house.txt --csv -", 0, ""},
    {"SimReportAndPictureBothOnStdout", "", "$SIM $EX/house.txt --report --png -", 2,
     "--report and --png - would both write to standard output"},
    {"SimTwoPicturesOnStdout", "", "$SIM $EX/house.txt --svg - --png -", 2,
     "--svg - and --png - would both write to standard output"},
    {"FigurePipedIntoSendSimPng", "$SIM $EX/house.txt --png ref --dpi 150",
     "$FIGURE from-gcode $DATA/house.gcode -o - -q | $SEND --sim - --png - --dpi 150 -q", 0,
     "plotter-figure: warning: feed rates"},  // --quiet keeps warnings
    {"SendStatusToStderr", "", "$SEND --sim - < $EX/house.txt", 0,
     "1 figure drawn in 0:34 of simulated time"},
    {"SendQuiet", "", "$SEND --sim $EX/house.txt --quiet", 0, ""},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.command; }

class StandardStreamTest : public testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() {
        setenv("FIGURE", PLOTTER_FIGURE, 1);
        setenv("SEND", PLOTTER_SEND, 1);
        setenv("SIM", PLOTTER_SIM, 1);
        setenv("DATA", TEST_DATA, 1);
        setenv("EX", EXAMPLES, 1);
    }
};

TEST_P(StandardStreamTest, DataOnStdoutStatusOnStderr) {
    const Case& c = GetParam();
    const fs::path dir = fs::path(WORK_DIR) / "standard_stream" / c.name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string expected;
    if (*c.reference) {
        const Outcome reference = run(dir, c.reference);
        ASSERT_EQ(reference.status, 0) << c.reference << "\n" << reference.err;
        expected = readFile(dir / "ref");
        ASSERT_FALSE(expected.empty()) << c.reference << " wrote nothing";
    }
    const Outcome outcome = run(dir, c.command);
    EXPECT_EQ(outcome.status, c.status) << c.command << "\n" << outcome.err;
    EXPECT_TRUE(outcome.out == expected)
        << c.command << ": " << outcome.out.size() << " bytes on standard output, wanted "
        << expected.size() << (*c.reference ? std::string(" as ") + c.reference + " writes" : "");
    if (*c.stderrHas)
        EXPECT_NE(outcome.err.find(c.stderrHas), std::string::npos) << outcome.err;
    else
        EXPECT_EQ(outcome.err, "") << c.command;
    EXPECT_FALSE(fs::exists(dir / "-")) << c.command << " wrote a file named \"-\"";
}

INSTANTIATE_TEST_SUITE_P(Programs, StandardStreamTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace

// Peak memory of the biggest files brivo-cli makes and reads: the ALL range at 256 x 256,
// extracted and written as C source (both array forms) and as a .fnt file, then each read
// back (`info`). The budget of each is the glyph data (8742 glyphs of 8192 bytes) times 1.2
// plus 32 MB, except the .fnt save, which writes each glyph as it is rendered and holds no
// more than 24 MB. Then inputs that are refused: 2 GB without a line feed (a sparse file) as
// C source and as a --chars-file text, each within 100 MB. The program prints every peak and
// exits 1 when one is over.
//
//   file_memory_benchmark [PATH-OF-BRIVO-CLI]

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr double kGlyphData = 8742.0 * 8192.0;
constexpr double kBudget = 1.2 * kGlyphData + 32.0 * 1024 * 1024;
constexpr double kStreamedBudget = 24.0 * 1024 * 1024;

constexpr double kRefusalBudget = 100.0 * 1024 * 1024;

// Runs brivo-cli with `args`; the child's peak resident set in bytes, or -1 when it did not
// end with `status`.
long PeakOf(const std::string& cli, std::vector<std::string> args, int expected = 0) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        std::vector<char*> argv{const_cast<char*>("brivo-cli")};
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(cli.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != expected)
        return -1;
    return usage.ru_maxrss * 1024L;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string cli = argc > 1 ? argv[1] : BRIVO_CLI;
    std::string pattern = (std::filesystem::temp_directory_path() / "brivo-file-XXXXXX").string();
    const std::filesystem::path folder = mkdtemp(pattern.data());
    int exitCode = 0;
    std::printf("budget %.1f MB (glyph data %.1f MB)\n", kBudget / 1e6, kGlyphData / 1e6);
    struct Form {
        const char* name;
        const char* array;
    };
    for (const Form form : {Form{"big.h", "2d"}, Form{"big-1d.h", "1d"}, Form{"big.fnt", "2d"}}) {
        const std::string path = (folder / form.name).string();
        const std::vector<std::pair<std::string, std::vector<std::string>>> runs{
            {"save",
             {"extract", "--range", "all", "--size", "256x256", "--height", "-256", "--array",
              form.array, "-o", path}},
            {"read", {"info", path, "--range", "all", "--size", "256x256"}},
        };
        for (const auto& [what, args] : runs) {
            const long peak = PeakOf(cli, args);
            if (peak < 0) {
                std::printf("%s %-9s brivo-cli failed\n", what.c_str(), form.name);
                exitCode = 1;
                continue;
            }
            const bool streamed = what == "save" && std::string(form.name) == "big.fnt";
            const bool within = static_cast<double>(peak) <= (streamed ? kStreamedBudget : kBudget);
            std::printf("%s %-9s peak RSS %.1f MB: %s\n", what.c_str(), form.name,
                        static_cast<double>(peak) / 1e6, within ? "within budget" : "OVER BUDGET");
            if (!within) exitCode = 1;
        }
        std::filesystem::remove(path);
    }
    const std::string endless = (folder / "endless.h").string();
    fclose(std::fopen(endless.c_str(), "w"));
    std::filesystem::resize_file(endless, std::uintmax_t{2} << 30);
    const std::vector<std::pair<std::string, std::vector<std::string>>> refusals{
        {"C source", {"info", endless, "--range", "hangul", "--size", "16x16"}},
        {"--chars-file", {"extract", "--chars-file", endless, "-o", (folder / "x.h").string()}},
    };
    for (const auto& [what, args] : refusals) {
        const long peak = PeakOf(cli, args, 1);
        const bool within = peak >= 0 && static_cast<double>(peak) <= kRefusalBudget;
        std::printf("refuse 2 GB %-12s peak RSS %.1f MB: %s\n", what.c_str(),
                    static_cast<double>(peak) / 1e6, within ? "within 100 MB" : "FAILED");
        if (!within) exitCode = 1;
    }
    std::filesystem::remove_all(folder);
    return exitCode;
}

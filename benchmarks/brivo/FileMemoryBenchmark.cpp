// Peak memory of the biggest save brivo-cli makes: the ALL range at 256 x 256, extracted and
// written as C source and as a .fnt file. The budget is the glyph data (8742 glyphs of 8192
// bytes) times 1.2 plus 32 MB; the program prints each peak and exits 1 when one is over.
//
//   save_memory_benchmark [PATH-OF-BRIVO-CLI]

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr double kGlyphData = 8742.0 * 8192.0;
constexpr double kBudget = 1.2 * kGlyphData + 32.0 * 1024 * 1024;

// Runs brivo-cli extract into `out`; the child's peak resident set in bytes, or -1.
long PeakOfExtract(const std::string& cli, const std::string& out) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execl(cli.c_str(), "brivo-cli", "extract", "--range", "all", "--size", "256x256",
              "--height", "-256", "-o", out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss * 1024L;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string cli = argc > 1 ? argv[1] : BRIVO_CLI;
    std::string pattern = (std::filesystem::temp_directory_path() / "brivo-save-XXXXXX").string();
    const std::filesystem::path folder = mkdtemp(pattern.data());
    int exitCode = 0;
    std::printf("budget %.1f MB (glyph data %.1f MB)\n", kBudget / 1e6, kGlyphData / 1e6);
    for (const char* name : {"big.h", "big.fnt"}) {
        const long peak = PeakOfExtract(cli, (folder / name).string());
        if (peak < 0) {
            std::printf("%-8s brivo-cli failed\n", name);
            exitCode = 1;
            continue;
        }
        const bool within = static_cast<double>(peak) <= kBudget;
        std::printf("%-8s peak RSS %.1f MB: %s\n", name, static_cast<double>(peak) / 1e6,
                    within ? "within budget" : "OVER BUDGET");
        if (!within) exitCode = 1;
    }
    std::filesystem::remove_all(folder);
    return exitCode;
}

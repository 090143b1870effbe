// mono-reference FONT-FILE SIZES TEXT: renders each character of TEXT (UTF-8) in hinted
// monochrome at each size of SIZES ("10,12,16") into a SIZE x SIZE cell (half the width for
// ASCII), prints it as rows of '#' and '.' on stderr for checking by eye, and one line per
// glyph on stdout for the golden file: "SIZE CHARACTER HEXROWS", each row ⌈width / 8⌉ bytes,
// first pixel in the top bit.

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "MonoReference.h"

namespace {

// The characters of a UTF-8 text with their UTF-8 bytes.
std::vector<std::pair<char32_t, std::string>> Characters(const std::string& text) {
    std::vector<std::pair<char32_t, std::string>> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) c = c << 6 | (text[i + k] & 0x3F);
        out.emplace_back(c, text.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: mono-reference FONT-FILE SIZES TEXT\n");
        return 2;
    }
    CMonoReference reference;
    std::istringstream sizes(argv[2]);
    for (std::string size; std::getline(sizes, size, ',');) {
        const int px = std::atoi(size.c_str());
        if (!reference.Open(argv[1], 0, px)) {
            std::fprintf(stderr, "cannot open %s at %d pixels\n", argv[1], px);
            return 1;
        }
        for (const auto& [character, utf8] : Characters(argv[3])) {
            const int width = character < 0x80 ? px / 2 : px;
            const std::vector<std::string> rows = reference.Render(character, width, px);
            std::fprintf(stderr, "%s at %d:\n", utf8.c_str(), px);
            std::string hex;
            for (const std::string& row : rows) {
                std::fprintf(stderr, "  %s\n", row.c_str());
                for (int x0 = 0; x0 < width; x0 += 8) {
                    unsigned byte = 0;
                    for (int b = 0; b < 8; ++b)
                        byte = byte << 1 | (x0 + b < width && row[x0 + b] == '#' ? 1 : 0);
                    char digits[3];
                    std::snprintf(digits, sizeof digits, "%02X", byte);
                    hex += digits;
                }
            }
            std::printf("%d %s %s\n", px, utf8.c_str(), hex.c_str());
        }
    }
    return 0;
}

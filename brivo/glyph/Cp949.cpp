#include "glyph/Cp949.h"

#include <iconv.h>

#include <cerrno>

namespace brivo {

std::string ConvertEncoding(std::string_view text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    std::string result;
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char buffer[256];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(cd, &in, &inLeft, &out, &outLeft);
        result.append(buffer, out);
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // Skip one unconvertible or malformed byte.
            result += '?';
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return result;
}

std::string Utf8ToCp949(std::string_view utf8) { return ConvertEncoding(utf8, "CP949", "UTF-8"); }
std::string Cp949ToUtf8(std::string_view cp949) { return ConvertEncoding(cp949, "UTF-8", "CP949"); }

}  // namespace brivo

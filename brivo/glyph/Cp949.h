#pragma once

#include <string>
#include <string_view>

namespace brivo {

// Converts between UTF-8 and code page 949 with iconv. Characters that cannot be converted
// become '?'.
std::string Utf8ToCp949(std::string_view utf8);
std::string Cp949ToUtf8(std::string_view cp949);

// The same between any two encodings iconv knows (`from` unknown: the text unchanged).
std::string ConvertEncoding(std::string_view text, const char* to, const char* from);

}  // namespace brivo

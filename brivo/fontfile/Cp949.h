#pragma once

#include <string>
#include <string_view>

// Converts between UTF-8 and code page 949 with iconv. Characters that cannot be converted
// become '?'.
std::string Utf8ToCp949(std::string_view utf8);
std::string Cp949ToUtf8(std::string_view cp949);

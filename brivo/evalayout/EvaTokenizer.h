#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brivo {

// Splits one line of a layout sheet into its cells. Cells are separated by commas; a cell
// written in double quotes may hold commas, and a doubled quote inside stands for one quote.
std::vector<std::string> TokenizeEvaLine(std::string_view line);

// Reads a decimal integer prefix ("12px" is 12, "abc" is 0), as sizes and margins are read.
int EvaIntValue(std::string_view text);

}  // namespace brivo

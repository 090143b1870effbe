#include <gtest/gtest.h>

#include "glyph/CodeRange.h"
#include "glyph/Cp949.h"

using namespace brivo;

namespace {

TEST(Cp949Test, EveryCodeOfTheRangesConvertsToOneCharacterOrAQuestionMark) {
    int assigned = 0;
    for (uint16_t code : RangeCodes(RANGE_ALL, false)) {
        const char bytes[] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        const std::string utf8 = Cp949ToUtf8(std::string_view(bytes, 2));
        if (utf8 == "?" || utf8 == "??") continue;
        ++assigned;
        EXPECT_TRUE(utf8.size() == 3 || utf8.size() == 2) << std::hex << code << " " << utf8;
    }
    // KS X 1001 with the euro and registered signs of 1998, 0xA1A1-0xFDFE.
    EXPECT_EQ(assigned, 8226);
}

TEST(Cp949Test, BadBytesBecomeQuestionMarksAndTheRestStays) {
    // glibc steps over 0xA2E8 and reports it afterwards: the conversion must not run on.
    EXPECT_EQ(Cp949ToUtf8("\xB0\xA1\xA2\xE8"), "가?");
    EXPECT_EQ(Cp949ToUtf8("\xA2\xE8"), "?");
    EXPECT_EQ(Cp949ToUtf8("A\xB0"), "A?");
    EXPECT_EQ(Utf8ToCp949("가A"),
              "\xB0\xA1"
              "A");
}

}  // namespace

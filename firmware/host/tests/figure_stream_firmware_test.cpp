// The streams plotter-figure writes, read by the firmware's own interpreter
// (Data_Check, XY_Data) exactly as plotter_main stores and parses them.
#include <gtest/gtest.h>

#include <cmath>

#include "FigureStream.h"
#include "plotter/plotter_figure.h"

using namespace plotter;

namespace {

// Stores one figure's bytes as the receive interrupt does and parses it.
// Returns the points and the laser state per segment by the main loop's rule.
Figure parseLikeTheFirmware(const std::string& text) {
    Next_Figure();
    int k = 0;
    for (const char c : text) {
        if (c == '\r' || c == '\n' || c == 'n') continue;
        EXPECT_LT(k, kSaveDataSize);
        if (k >= kSaveDataSize) return {};
        save_data[k] = static_cast<unsigned char>(c);
        if (c == 'Z') usart_count = k;
        ++k;
    }
    const int first = o;
    Data_Check();
    XY_Data();
    Figure figure;
    bool laser = false;
    int marker = 0;
    for (int j = 0; j < Count_Straight; ++j) {
        if (marker < l_i && laser_check[marker] == j) laser = !laser, ++marker;
        figure.push_back({static_cast<int>(std::lround(x_num[first + j] * 10)),
                          static_cast<int>(std::lround(y_num[first + j] * 10)), laser});
    }
    EXPECT_EQ(marker, l_i) << "markers that never fire";
    return figure;
}

}  // namespace

TEST(FigureStreamFirmwareTest, TheFirmwareReadsEveryFigureAsWritten) {
    Toolpath path;
    for (int k = 0; k < 1500; ++k)
        path.push_back({{k * 7 % 325 * 0.1, k * 13 % 999 * 0.1}, k % 5 > 1, {}});
    const FiguresResult result = buildFigures(path, Travel{});
    ASSERT_EQ(result.error, "");
    ASSERT_GT(result.figures.size(), 3u);
    for (const Figure& figure : result.figures) {
        const std::string text = formatFigures({figure});
        EXPECT_EQ(parseLikeTheFirmware(text), figure);
    }
}

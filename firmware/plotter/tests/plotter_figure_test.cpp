// The figure interpreter and line stepping, on prepared buffers and the
// modelled chip.
#include "plotter/plotter_figure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plotter/board.h"
#include "plotter/tests/power_on_state.h"
#include "sim/chip_model.h"

using namespace chip::sim;

namespace {
std::vector<Cycles> x_steps, y_steps;

void record_step(TIM_Registers* timer, std::vector<Cycles>& steps) {
    if (!(timer->SR & TIM_SR_CC1IF)) return;
    timer->SR = ~TIM_SR_CC1IF;
    steps.push_back(now());
}
}  // namespace

void TIM8_CC_IRQHandler(void) { record_step(TIM8, x_steps); }
void TIM1_CC_IRQHandler(void) { record_step(TIM1, y_steps); }

namespace {

class PlotterFigureTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        _GPIO_Init();
        TIMER1_OC_Init();
        TIMER8_OC_Init();
        x_steps.clear();
        y_steps.clear();
        power_on::reset_figure_state();
    }

    // Stores a figure stream as the receive interrupt would and parses it.
    static void parse(const std::string& stream) {
        ASSERT_LE(stream.size(), std::size(save_data));
        for (std::size_t c = 0; c < stream.size(); ++c)
            save_data[c] = static_cast<unsigned char>(stream[c]);
        usart_count = static_cast<int>(std::min(stream.find('Z'), stream.size()));
        Data_Check();
        XY_Data();
    }

    // Makes the next segment run from point (px, py) to (qx, qy).
    static void segment(double px, double py, double qx, double qy) {
        x_num[0] = px;
        y_num[0] = py;
        x_num[1] = qx;
        y_num[1] = qy;
        i = 1;
    }
};

TEST_F(PlotterFigureTest, MarkerScanFillsTheTables) {
    struct Case {
        std::string stream;
        int segments, xs, ys;
        std::vector<int> x_positions, laser_segments;
    };
    const Case cases[] = {
        {"LX01.0Y02.0Z", 1, 1, 1, {1}, {}},
        {"S1LX01.0Y01.0S0LX02.0Y02.0S1Z", 2, 2, 2, {3, 16}, {0, 1, 2}},
        {"LX01.0Y01.0ZLLL", 1, 1, 1, {1}, {}},  // bytes after the end marker are not scanned
        {"LX1X.5Y00.0Z", 1, 2, 1, {1, 3}, {}},  // a marker letter in a payload counts
        {"XY12.5Z", 0, 1, 1, {0}, {}},
    };
    for (const Case& c : cases) {
        SetUp();
        parse(c.stream);
        SCOPED_TRACE(c.stream);
        EXPECT_EQ(Count_Straight, c.segments);
        EXPECT_EQ(x, c.xs);
        EXPECT_EQ(y, c.ys);
        for (std::size_t k = 0; k < c.x_positions.size(); ++k)
            EXPECT_EQ(loc_x[k], c.x_positions[k]);
        ASSERT_EQ(l_i, static_cast<int>(c.laser_segments.size()));
        for (std::size_t k = 0; k < c.laser_segments.size(); ++k) {
            EXPECT_EQ(laser_check[k], c.laser_segments[k]);
            EXPECT_EQ(save_data[laser_power[k]], 'S');
        }
    }
}

TEST_F(PlotterFigureTest, CoordinatesFollowTheDoubleArithmetic) {
    struct Case {
        std::string payload;
        double expected;
    };
    const Case cases[] = {
        {"07.5", 7.5},
        {"99.9", 99.0 + 9 * 0.1},
        {"00.3", 0.30000000000000004},
        {"12,5", 12.5},
        {"70.1", 70.0 + 1 * 0.1},
        {"A0.0", 170.0},  // no byte is checked: 'A' enters with its value
    };
    for (const Case& c : cases) {
        SetUp();
        parse("LX" + c.payload + "Y" + c.payload + "Z");
        SCOPED_TRACE(c.payload);
        EXPECT_EQ(x_num[0], c.expected);
        EXPECT_EQ(y_num[0], c.expected);
        EXPECT_EQ(o, 1);
        EXPECT_EQ(m, 1);
    }
    EXPECT_EQ(0.30000000000000004, 3 * 0.1);
}

TEST_F(PlotterFigureTest, MissingPointsReadFromTheStartOfTheBuffer) {
    parse("L12.5LX07.5Y01.0Z");  // two segments, one X: the second X reads positions 1, 2, 4
    ASSERT_EQ(Count_Straight, 2);
    EXPECT_EQ(x_num[0], 7.5);
    EXPECT_EQ(x_num[1], 10.0 * '1' + '2' - 528 + ('5' - 48) * 0.1);
}

TEST_F(PlotterFigureTest, GoalsAreTruncatedProducts) {
    parse("LX70.1Y00.0LX70.1Y21.4Z");
    Straight();
    EXPECT_EQ(x_goal, 105149);
    Straight();
    EXPECT_EQ(y_goal, 32099);
    EXPECT_EQ(i, 2);
}

TEST_F(PlotterFigureTest, DirectionClassifiesEverySegmentKind) {
    struct Case {
        double px, py, qx, qy;
        std::uint8_t kind, x_mode, y_mode;
    };
    const Case cases[] = {
        {1, 1, 2, 1, 0, 0, 3}, {2, 1, 1, 1, 1, 1, 3}, {1, 1, 1, 2, 2, 3, 0},
        {1, 2, 1, 1, 3, 3, 1}, {1, 1, 2, 2, 4, 0, 0}, {1, 2, 2, 1, 5, 0, 1},
        {2, 1, 1, 2, 6, 1, 0}, {2, 2, 1, 1, 7, 1, 1}, {1, 1, 1, 1, 8, 3, 3},
    };
    for (const Case& c : cases) {
        SetUp();
        segment(c.px, c.py, c.qx, c.qy);
        EXPECT_EQ(Direction(), c.kind);
        EXPECT_EQ(x_dir, c.x_mode) << int(c.kind);
        EXPECT_EQ(y_dir, c.y_mode) << int(c.kind);
        EXPECT_EQ(i, 1);
    }
}

TEST_F(PlotterFigureTest, DiagonalGetsProportionalPeriods) {
    struct Case {
        double px, py, qx, qy;
        int x_goal, y_goal, velo_x, velo_y;
        std::uint32_t arr_x, arr_y;
        bool pf13, pf15;
    };
    const Case cases[] = {
        {10, 10, 13, 14, 19500, 21000, -4500, -6000, 165, 124, true, true},
        {10, 10, 20, 20, 30000, 30000, -15000, -15000, 140, 140, true, true},
        {20, 20, 10, 30, 15000, 45000, 15000, -15000, 140, 140, false, true},
        {13, 14, 10, 10, 15000, 15000, 4500, 6000, 165, 124, false, false},
    };
    for (const Case& c : cases) {
        SetUp();
        segment(c.px, c.py, c.qx, c.qy);
        Straight();
        EXPECT_EQ(x_goal, c.x_goal);
        EXPECT_EQ(y_goal, c.y_goal);
        EXPECT_EQ(velo_x, c.velo_x);
        EXPECT_EQ(velo_y, c.velo_y);
        EXPECT_EQ(TIM8->ARR, c.arr_x);
        EXPECT_EQ(TIM1->ARR, c.arr_y);
        EXPECT_EQ(output(Port::F, 13), c.pf13);
        EXPECT_EQ(output(Port::F, 15), c.pf15);
        EXPECT_TRUE(timer_running(Timer::Tim8));
        EXPECT_TRUE(timer_running(Timer::Tim1));
        EXPECT_EQ(i, 2);
    }
}

TEST_F(PlotterFigureTest, FirstSegmentStartsAtTheHomingPosition) {
    parse("LX03.0Y04.0Z");
    EXPECT_EQ(Direction(), kXUpYUp);
    Straight();
    EXPECT_EQ(velo_x, -4500);
    EXPECT_EQ(velo_y, -6000);
    EXPECT_EQ(TIM8->ARR, 165u);
    EXPECT_EQ(TIM1->ARR, 124u);
}

TEST_F(PlotterFigureTest, SteepDiagonalKeepsItsStepRatio) {
    segment(0.5, 0.5, 0.6, 99.5);
    Straight();
    EXPECT_EQ(velo_x, -150);
    EXPECT_EQ(velo_y, -148500);
    EXPECT_EQ(TIM1->ARR, 99u);
    // 98999 does not fit the 16-bit ARR: twice the prescaler, half the reload.
    EXPECT_EQ(TIM8->PSC, 335u);
    EXPECT_EQ(TIM8->ARR, 49499u);

    run_for(milliseconds(1000));
    ASSERT_GE(x_steps.size(), 3u);
    EXPECT_NEAR(static_cast<double>(x_steps[2] - x_steps[1]), microseconds(99000), 60);
    EXPECT_NEAR(static_cast<double>(y_steps[2] - y_steps[1]), microseconds(100), 40);
}

TEST_F(PlotterFigureTest, SingleAxisSegmentStopsTheOtherAxis) {
    segment(5, 5, 6, 5);
    Straight();  // X from 5 to 6
    segment(6, 5, 6, 7);
    y_dir = 1;
    Straight();  // Y only
    EXPECT_EQ(y_goal, 10500);
    EXPECT_EQ(x_dir, 0);  // as the X move left it
    EXPECT_EQ(y_dir, 0);
    EXPECT_FALSE(timer_running(Timer::Tim8));
    EXPECT_TRUE(timer_running(Timer::Tim1));
    EXPECT_EQ(TIM1->ARR, 99u);
    EXPECT_EQ(TIM1->PSC, 167u);
}

// A repeated point moves nothing: no timer starts, so no step pin toggles
// behind the counters' back, and the segment has ended at once.
TEST_F(PlotterFigureTest, RepeatedPointStartsNoTimer) {
    segment(10, 10, 13, 14);
    EXPECT_TRUE(Straight());
    x_goal = 7;
    y_goal = 7;
    x_stop();
    y_stop();
    const auto x_events = compare_events(Timer::Tim8, 1), y_events = compare_events(Timer::Tim1, 1);
    segment(13, 14, 13, 14);
    EXPECT_FALSE(Straight());
    EXPECT_EQ(x_dir, 0);  // as the diagonal left them
    EXPECT_EQ(y_dir, 0);
    EXPECT_EQ(x_goal, 7);
    EXPECT_EQ(axes_moving, 0);
    EXPECT_FALSE(timer_running(Timer::Tim8));
    EXPECT_FALSE(timer_running(Timer::Tim1));
    run_for(milliseconds(5));
    EXPECT_EQ(compare_events(Timer::Tim8, 1), x_events);
    EXPECT_EQ(compare_events(Timer::Tim1, 1), y_events);
    EXPECT_EQ(i, 2);
}

TEST_F(PlotterFigureTest, TablesAreNeverWrittenPastTheirEnd) {
    std::string stream;
    for (int k = 0; k < 420; ++k) stream += "SLXY";
    stream += "Z";
    parse(stream);
    EXPECT_EQ(Count_Straight, kMaxPoints);
    EXPECT_EQ(x, kMaxPoints);
    EXPECT_EQ(y, kMaxPoints);
    EXPECT_EQ(l_i, kLaserMarkers);
    EXPECT_EQ(o, kMaxPoints);
    EXPECT_EQ(laser_check[kLaserMarkers - 1], kLaserMarkers - 1);

    SetUp();
    std::fill(std::begin(save_data), std::end(save_data), '0');
    save_data[kSaveDataSize - 2] = 'L';
    save_data[kSaveDataSize - 1] = 'X';  // its payload would lie past the buffer
    usart_count = kSaveDataSize;
    Data_Check();
    XY_Data();
    EXPECT_EQ(Count_Straight, 1);
    EXPECT_EQ(x_num[0], -528.0 - 4.8);
}

}  // namespace

namespace {

// laser_control applies the markers in order: "1" switches the laser on, "0"
// off, any other byte leaves it as it is.
TEST_F(PlotterFigureTest, LaserControlFollowsTheDigitAfterEachMarker) {
    parse("S1LX01.0Y01.0S7S0LS1S5Z");
    const bool after_each[] = {true, true, false, true, true};
    for (bool laser : after_each) {
        laser_control();
        EXPECT_EQ(output(Port::F, board::kLaserPin), laser) << "marker " << l_j - 1;
    }
}

// The next figure keeps the last point as the predecessor of its first one.
TEST_F(PlotterFigureTest, NextFigureStartsFromTheLastPoint) {
    parse("LX01.0Y02.0LX03.0Y04.0Z");
    i = 2;
    Next_Figure();
    EXPECT_EQ(Count_Straight, 0);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(start_x_num, 3.0);
    EXPECT_EQ(start_y_num, 4.0);
    parse("LX03.0Y05.0Z");
    EXPECT_EQ(Count_Straight, 1);
    EXPECT_EQ(Direction(), kYUp);
}

}  // namespace

// The demo image run on the modelled chip: the board driver, the figure
// module and the step interrupts drawing a whole figure together.
#include <gtest/gtest.h>

#include "plotter/plotter_figure.h"
#include "sim/chip_model.h"

using namespace chip::sim;

TEST(FigureDemoTest, DrawsTheBuiltInFigureAndEndsAtItsLastPoint) {
    reset();
    std::uint64_t x_events = 0, y_events = 0;
    on_compare([&](Timer timer, unsigned channel, Cycles) {
        if (channel == 1) ++(timer == Timer::Tim8 ? x_events : y_events);
    });
    // (0,0) -> (1,1) -> (2,1) -> (2,2) -> (1,1): 1500 step events per unit;
    // the 45-degree diagonals run at 141 us per event, straight moves at 100 us.
    EXPECT_EQ(run(firmware_main, milliseconds(1500)), StopReason::TimeUp);

    EXPECT_EQ(Count_Straight, 4);
    EXPECT_EQ(i, 4);
    EXPECT_EQ(x_cur, 1500);
    EXPECT_EQ(y_cur, 1500);
    EXPECT_EQ(x_events, 1500u * 3);  // every segment but the Y-only one
    EXPECT_EQ(y_events, 1500u * 3);  // every segment but the X-only one
    EXPECT_FALSE(timer_running(Timer::Tim8));
    EXPECT_FALSE(timer_running(Timer::Tim1));
    EXPECT_EQ(move_flag, 1);
}

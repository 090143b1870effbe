// bench_capture driven over USART1 (115200 baud) and its PD8/PD9 switches.
#include <string>

using namespace std::string_literals;

#include "bench_test_support.h"

extern volatile int save_data[32000];
extern volatile int add, count, move_flag, flag, x_cur, x_goal;

using namespace bench_test;

namespace {
void reset_state() {
    for (volatile int& entry : save_data) entry = 0;
    add = 0;
    count = 0;
    move_flag = 0;
    flag = 0;
    x_cur = 0;
    x_goal = 0;
}
const bool kStateResets = (reset_image_state = reset_state, true);
}  // namespace

namespace {
void send(std::string_view bytes) { type(bytes, Serial::Usart1, 115200); }

std::string stored(int from, int to) {
    std::string s;
    for (int n = from; n < to; ++n) s.push_back(static_cast<char>(save_data[n]));
    return s;
}
}  // namespace

struct StoreCase {
    const char* name;
    const char* bytes;
    const char* stored;
};

class BenchCaptureStoreTest : public ::testing::TestWithParam<StoreCase> {};

TEST_P(BenchCaptureStoreTest, StoresEveryByteButCrAndLf) {
    const StoreCase& c = GetParam();
    power_up();
    send(c.bytes);
    const int n = static_cast<int>(std::string(c.stored).size());
    EXPECT_EQ(stored(0, n), c.stored);
    EXPECT_EQ(add, n);
    EXPECT_EQ(count, n);
    EXPECT_EQ(move_flag, 0);
}

INSTANTIATE_TEST_SUITE_P(Bytes, BenchCaptureStoreTest,
                         ::testing::Values(StoreCase{"Plain", "abc", "abc"},
                                           StoreCase{"CrLfDropped", "ab\r\nn\n", "abn"},
                                           StoreCase{"OnlyCrLf", "\r\n\r\n", ""},
                                           StoreCase{"LNotFirst", "aL5", "aL5"}),
                         case_name);

struct Snapshot {
    int move_flag, add, count, first_entry, x_cur, x_goal;
    bool x_running, x_left;
};

Snapshot snapshot() {
    return {
        move_flag,           add, count, save_data[0], x_cur, x_goal, timer_running(Timer::Tim8),
        !output(Port::F, 13)};
}

// straight runs in the main loop, so this scenario keeps main running and
// looks at the board from scheduled actions.
TEST(BenchCaptureTest, LFirstRequestsAMoveFromTheJustClearedBuffer) {
    reset();
    reset_state();
    Snapshot after_l{}, later{}, after_digit{}, end{};
    at(milliseconds(11), [] { send_serial(Serial::Usart1, "L", 115200); });
    // One byte takes 87 us; X steps every 100 us.
    at(microseconds(11300), [&] { after_l = snapshot(); });
    at(microseconds(11700), [&] { later = snapshot(); });
    at(microseconds(11800), [] { send_serial(Serial::Usart1, "5", 115200); });
    at(milliseconds(12), [&] { after_digit = snapshot(); });
    at(milliseconds(18), [&] { end = snapshot(); });
    run(firmware_main, milliseconds(19));

    // The buffer was cleared at once, so the digit entry reads 0: the goal
    // is (0 - 48) * 25000 - x_cur, recomputed while only one byte has come.
    EXPECT_EQ(after_l.move_flag, 1);
    EXPECT_EQ(after_l.add, 0);
    EXPECT_EQ(after_l.first_entry, 0);
    EXPECT_TRUE(after_l.x_running);
    EXPECT_TRUE(after_l.x_left);
    EXPECT_NEAR(double(after_l.x_goal + after_l.x_cur), -1200000.0, 1);
    EXPECT_GT(later.x_cur, after_l.x_cur);
    EXPECT_NEAR(double(later.x_goal + later.x_cur), -1200000.0, 1);

    EXPECT_EQ(after_digit.move_flag, 0);
    EXPECT_EQ(after_digit.count, 2);
    EXPECT_EQ(after_digit.first_entry, '5');
    EXPECT_EQ(end.x_goal, after_digit.x_goal);  // no longer recomputed
    EXPECT_TRUE(end.x_running);                 // and never met
    EXPECT_GT(end.x_cur, after_digit.x_cur);
    EXPECT_FALSE(timer_running(Timer::Tim1));
    EXPECT_EQ(interrupt_count(TIM1_CC_IRQn), 0u);
}

TEST(BenchCaptureTest, ByteIsStoredAgainWhileTheNextEntryHoldsF) {
    power_up();
    save_data[1] = 'F';
    save_data[2] = 'F';
    save_data[4] = 'F';
    send("Q");
    EXPECT_EQ(stored(0, 5), "QQQ\0F"s);
    EXPECT_EQ(add, 3);
    EXPECT_EQ(count, 3);
}

TEST(BenchCaptureTest, FullBufferTakesNoMoreBytes) {
    power_up();
    save_data[31999] = 'F';
    add = 31998;
    send("zy");
    EXPECT_EQ(save_data[31998], 'z');
    EXPECT_EQ(save_data[31999], 'z');  // stored again over the F, up to the end
    EXPECT_EQ(add, 32000);
    EXPECT_EQ(count, 2);  // "y" found no room
}

TEST(BenchCaptureTest, SwitchOnPD9TogglesPF9AndPD8IsOnlyAcknowledged) {
    power_up();
    struct Step {
        unsigned pin;
        bool pf9;
        int flag;
    } const steps[] = {{9, true, 1}, {8, true, 1}, {9, false, 0}, {9, true, 1}};
    std::uint64_t presses = 0;
    for (const Step& s : steps) {
        tap(Port::D, s.pin);
        ++presses;
        EXPECT_EQ(output(Port::F, 9), s.pf9) << "PD" << s.pin;
        EXPECT_EQ(flag, s.flag);
        EXPECT_EQ(interrupt_count(EXTI9_5_IRQn), presses);
    }
    EXPECT_EQ(EXTI->PR, 0u);
    EXPECT_EQ(GPIOF->MODER & GPIO_MODER_MODE_Msk(9), GPIO_MODER_MODE(9, GPIO_MODE_OUTPUT));
}

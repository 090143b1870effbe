// Draws a small built-in square with a diagonal, without serial input: the
// smallest image that runs the board driver, the figure module and the step
// interrupts together. X is counted on TIM8, Y on TIM1.
#include "plotter/board.h"
#include "plotter/plotter_figure.h"

namespace {

constexpr char kFigure[] = "LX01.0Y01.0LX02.0Y01.0LX02.0Y02.0LX01.0Y01.0Z";

int segments_started;

}  // namespace

void TIM8_CC_IRQHandler(void) { count_step_event(TIM8, x_cur, x_goal, x_dir, x_stop, kXAxis); }
void TIM1_CC_IRQHandler(void) { count_step_event(TIM1, y_cur, y_goal, y_dir, y_stop, kYAxis); }

int main(void) {
    _GPIO_Init();
    TIMER1_OC_Init();
    TIMER8_OC_Init();

    for (int c = 0; kFigure[c] != '\0'; ++c) {
        save_data[c] = kFigure[c];
        if (kFigure[c] == 'Z') usart_count = c;
    }
    Data_Check();
    XY_Data();
    move_flag = 1;

    for (;;) {
        if (move_flag == 1 && segments_started < Count_Straight) {
            ++segments_started;
            Direction();
            if (Straight()) move_flag = 0;
        }
        DelayUS(10);
    }
}

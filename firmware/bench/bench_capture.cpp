// Serial capture bench: stores the bytes received on USART1 and, on an "L"
// as the first byte of the buffer, tries a one-axis X move by the digit after
// it (25000 step events per unit). Uses the plotter's board driver, whose X
// axis (x_start, x_stop) is TIM8, so X step events are counted there.
#include <cstdint>

#include "plotter/board.h"

constexpr int kSaveDataSize = 32000;

// 128000 bytes: with the stack in the 64 KB CCM (bench_capture.ld) it leaves
// about 3 KB of the 128 KB SRAM for the other data.
volatile int save_data[kSaveDataSize];
volatile int add;
volatile int count;
volatile int move_flag;
volatile char vector_data;
volatile int flag;
volatile int x_cur, x_goal;

namespace {
void uart_arr_clear() {
    add = 0;
    for (int n = 0; n < 10; ++n) save_data[n] = 0;
}

void straight() {
    do {
        x_goal = (save_data[1] - '0') * 25000 - x_cur;
        x_left();
        x_start();
    } while (count == 1);
    move_flag = 0;
}
}  // namespace

void USART1_IRQHandler(void) {
    if (!(USART1->SR & USART_SR_RXNE)) return;
    vector_data = static_cast<char>(USART1->DR);
    if (vector_data == 0x0A || vector_data == 0x0D) return;
    // A full buffer takes no more bytes; only an "L" at its start empties it.
    while (add < kSaveDataSize) {
        save_data[add] = vector_data;
        add = add + 1;
        count = count + 1;
        if (add == kSaveDataSize || save_data[add] != 'F') break;
    }
    if (save_data[0] == 'L') {
        move_flag = 1;
        uart_arr_clear();
    }
}

void TIM8_CC_IRQHandler(void) {
    if (!(TIM8->SR & TIM_SR_CC1IF)) return;
    TIM8->SR = TIM8->SR & ~TIM_SR_CC1IF;
    x_cur = x_cur + 1;
    if (x_cur == x_goal) x_stop();
}

void TIM1_CC_IRQHandler(void) {
    if (TIM1->SR & TIM_SR_CC1IF) TIM1->SR = TIM1->SR & ~TIM_SR_CC1IF;
}

void EXTI9_5_IRQHandler(void) {
    if (EXTI->PR & EXTI_LINE(8)) EXTI->PR = EXTI_LINE(8);
    if (!(EXTI->PR & EXTI_LINE(9))) return;
    EXTI->PR = EXTI_LINE(9);
    if (flag == 0) {
        GPIOF->BSRR = GPIO_BSRR_BS(9);
        flag = 1;
    } else {
        GPIOF->BSRR = GPIO_BSRR_BR(9);
        flag = 0;
    }
}

int main(void) {
    DelayMS(10);
    _EXTI_Init();
    _GPIO_Init();
    // The board driver leaves PF9 an input; the PD9 switch's toggle shows on it.
    GPIOF->MODER = (GPIOF->MODER & ~GPIO_MODER_MODE_Msk(9)) | GPIO_MODER_MODE(9, GPIO_MODE_OUTPUT);
    TIMER1_OC_Init();
    TIMER8_OC_Init();
    TIMER4_PWM_Init();
    USART1_Init();
    for (;;) {
        if (move_flag == 1) straight();
        chip_wait_for_interrupt();
    }
}

#include "plotter/board.h"

#include <initializer_list>

namespace {

void set_pin_mode(GPIO_Registers* port, unsigned pin, std::uint32_t moder, std::uint32_t pull) {
    port->MODER = (port->MODER & ~GPIO_MODER_MODE_Msk(pin)) | GPIO_MODER_MODE(pin, moder);
    port->PUPDR = (port->PUPDR & ~GPIO_PUPDR_Msk(pin)) | GPIO_PUPDR(pin, pull);
}

void set_output(GPIO_Registers* port, unsigned pin) {
    set_pin_mode(port, pin, GPIO_MODE_OUTPUT, GPIO_PULL_NONE);
    port->OTYPER &= ~GPIO_OTYPER_OT(pin);
    port->OSPEEDR = (port->OSPEEDR & ~GPIO_OSPEEDR_OSPEED_Msk(pin)) |
                    GPIO_OSPEEDR_OSPEED(pin, GPIO_SPEED_MEDIUM);
}

void set_alternate(GPIO_Registers* port, unsigned pin, std::uint32_t af) {
    set_pin_mode(port, pin, GPIO_MODE_AF, GPIO_PULL_UP);
    port->OTYPER &= ~GPIO_OTYPER_OT(pin);
    port->OSPEEDR |= GPIO_OSPEEDR_OSPEED(pin, GPIO_SPEED_VERY_HIGH);
    auto& afr = port->AFR[pin / 8];
    afr = (afr & ~GPIO_AFR_AF_Msk(pin)) | GPIO_AFR_AF(pin, af);
}

void step_timer_init(TIM_Registers* timer, IRQn irq) {
    timer->CR1 = TIM_CR1_ARPE;  // up-counting, edge-aligned, stopped
    timer->PSC = board::kStepTimerPrescaler;
    timer->ARR = board::kStepInitialArr;
    timer->CCMR1 = TIM_CCMR1_OC1M_TOGGLE;
    timer->CCR1 = board::kStepCompare;
    timer->CCER = TIM_CCER_CC1E;
    timer->BDTR = TIM_BDTR_MOE;
    timer->EGR = TIM_EGR_UG;  // load PSC and ARR now
    timer->SR = 0;
    timer->DIER = TIM_DIER_CC1IE;
    nvic_enable(irq);
}

void start_axis(TIM_Registers* timer) {
    if (timer->CR1 & TIM_CR1_CEN) return;
    // Restart the period from 0 with the current PSC and ARR: the first step
    // event comes a full compare time after the start.
    timer->EGR = TIM_EGR_UG;
    timer->SR = ~TIM_SR_UIF;
    timer->CR1 |= TIM_CR1_CEN;
}

// A step event flagged but not yet handled stays flagged: its compare has
// toggled the step pin, so the carriage has made that step and the handler
// must count it.
void stop_axis(TIM_Registers* timer) { timer->CR1 &= ~TIM_CR1_CEN; }

}  // namespace

namespace board {
void set_step_period(TIM_Registers* timer, std::uint32_t arr) {
    constexpr std::uint64_t kMaxMultiple = 65536 / (kStepTimerPrescaler + 1);
    std::uint64_t ticks = std::uint64_t{arr} + 1;
    std::uint64_t multiple = (ticks + 0xFFFF) / 0x10000;
    if (multiple > kMaxMultiple) multiple = kMaxMultiple;
    std::uint64_t reload = (ticks + multiple / 2) / multiple;
    if (reload > 0x10000) reload = 0x10000;
    timer->PSC = static_cast<std::uint32_t>((kStepTimerPrescaler + 1) * multiple - 1);
    timer->ARR = static_cast<std::uint32_t>(reload - 1);
}

void set_step_timing(TIM_Registers* timer, const StepTiming& timing) {
    timer->PSC = timing.psc;
    timer->ARR = timing.arr;
    timer->CCR1 = timing.ccr1;
}
}  // namespace board

void DelayUS(std::uint32_t us) {
    volatile std::uint32_t count = 17u * us;
    while (count != 0) {
        count = count - 1;
        chip_time_hook();
    }
}

void DelayMS(std::uint32_t count) {
    for (std::uint32_t n = 0; n < count; ++n) DelayUS(1000);
}

void _EXTI_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    RCC->APB2ENR |= RCC_APB2ENR_SYSCFGEN;
    // Switches pull the line low; the internal pull-ups keep it high otherwise.
    set_pin_mode(GPIOD, board::kXLimitPin, GPIO_MODE_INPUT, GPIO_PULL_UP);
    set_pin_mode(GPIOD, board::kYLimitPin, GPIO_MODE_INPUT, GPIO_PULL_UP);
    // Route both lines to port D; they share one EXTICR register.
    static_assert(board::kXLimitPin / 4 == board::kYLimitPin / 4);
    auto& exticr = SYSCFG->EXTICR[board::kXLimitPin / 4];
    exticr = (exticr & ~(SYSCFG_EXTICR_EXTI_Msk(board::kXLimitPin) |
                         SYSCFG_EXTICR_EXTI_Msk(board::kYLimitPin))) |
             SYSCFG_EXTICR_EXTI(board::kXLimitPin, SYSCFG_EXTI_PD) |
             SYSCFG_EXTICR_EXTI(board::kYLimitPin, SYSCFG_EXTI_PD);
    const std::uint32_t lines = EXTI_LINE(board::kXLimitPin) | EXTI_LINE(board::kYLimitPin);
    EXTI->RTSR &= ~lines;
    EXTI->FTSR |= lines;
    EXTI->PR = lines;
    EXTI->IMR |= lines;
    nvic_enable(EXTI9_5_IRQn);
}

void _GPIO_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOFEN | RCC_AHB1ENR_GPIODEN;
    GPIOF->BSRR = GPIO_BSRR_BR(board::kLaserPin);
    for (unsigned pin : {board::kLaserPin, board::kXDirPin, board::kYDownPin, board::kYUpPin})
        set_output(GPIOF, pin);
    set_pin_mode(GPIOD, board::kXLimitPin, GPIO_MODE_INPUT, GPIO_PULL_UP);
    set_pin_mode(GPIOD, board::kYLimitPin, GPIO_MODE_INPUT, GPIO_PULL_UP);
}

void TIMER1_OC_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOEEN;
    RCC->APB2ENR |= RCC_APB2ENR_TIM1EN;
    set_alternate(GPIOE, board::kYStepPin, 1);
    step_timer_init(TIM1, TIM1_CC_IRQn);
}

void TIMER8_OC_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOCEN;
    RCC->APB2ENR |= RCC_APB2ENR_TIM8EN;
    set_alternate(GPIOC, board::kXStepPin, 3);
    step_timer_init(TIM8, TIM8_CC_IRQn);
}

void TIMER4_PWM_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    RCC->APB1ENR |= RCC_APB1ENR_TIM4EN;
    set_alternate(GPIOD, board::kPwmPin, 2);
    TIM4->CR1 = TIM_CR1_ARPE;
    TIM4->PSC = 83;  // 1 MHz on the 84 MHz APB1 timer clock
    TIM4->ARR = 999;
    TIM4->CCR1 = 500;
    TIM4->CCMR1 = TIM_CCMR1_OC1M_PWM1 | TIM_CCMR1_OC1PE;
    TIM4->CCER = TIM_CCER_CC1E;
    TIM4->EGR = TIM_EGR_UG;
    TIM4->SR = 0;
    TIM4->CR1 |= TIM_CR1_CEN;
}

void USART1_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOBEN;
    RCC->APB2ENR |= RCC_APB2ENR_USART1EN;
    set_alternate(GPIOB, 6, 7);
    set_alternate(GPIOB, 7, 7);
    USART1->CR1 = 0;
    USART1->BRR = (CHIP_APB2_HZ + board::kUsart1Baud / 2) / board::kUsart1Baud;
    USART1->CR2 = 0;  // one stop bit
    USART1->CR3 = 0;
    USART1->CR1 = USART_CR1_RE | USART_CR1_TE | USART_CR1_RXNEIE;  // 8 data bits, no parity
    nvic_enable(USART1_IRQn);
    USART1->CR1 |= USART_CR1_UE;
}

void x_right() { GPIOF->BSRR = GPIO_BSRR_BS(board::kXDirPin); }
void x_left() { GPIOF->BSRR = GPIO_BSRR_BR(board::kXDirPin); }
void y_up() { GPIOF->BSRR = GPIO_BSRR_BS(board::kYUpPin) | GPIO_BSRR_BR(board::kYDownPin); }
void y_down() { GPIOF->BSRR = GPIO_BSRR_BS(board::kYDownPin) | GPIO_BSRR_BR(board::kYUpPin); }
void x_start() { start_axis(TIM8); }
void x_stop() { stop_axis(TIM8); }
void y_start() { start_axis(TIM1); }
void y_stop() { stop_axis(TIM1); }

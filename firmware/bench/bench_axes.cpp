#include "bench_axes.h"

#include <initializer_list>

namespace {

struct StepTimer {
    TIM_Registers* timer;
    GPIO_Registers* port;
    std::uint32_t port_clock;   // RCC AHB1ENR bit
    std::uint32_t timer_clock;  // RCC APB2ENR bit
    unsigned pin;
    std::uint32_t af;
    IRQn irq;
};

void step_timer_init(const StepTimer& s, bench::TimerStart start) {
    RCC->AHB1ENR |= s.port_clock;
    RCC->APB2ENR |= s.timer_clock;

    timer_output_pin(s.port, s.pin, s.af);

    TIM_Registers* t = s.timer;
    t->CR1 &= ~(TIM_CR1_UDIS | TIM_CR1_URS | TIM_CR1_DIR | TIM_CR1_OPM | TIM_CR1_CMS_Msk |
                TIM_CR1_ARPE | TIM_CR1_CKD_Msk);
    t->PSC = 167;  // 1 MHz tick on the 168 MHz APB2 timer clock
    t->ARR = 499;
    t->DIER |= TIM_DIER_UIE;
    t->EGR = TIM_EGR_CC1G;
    t->CCMR1 &= ~(TIM_CCMR1_CC1S_Msk | TIM_CCMR1_OC1FE | TIM_CCMR1_OC1PE);
    t->CCMR1 |= TIM_CCMR1_OC1M_TOGGLE;
    t->CCER |= TIM_CCER_CC1E;
    t->CCER &= ~TIM_CCER_CC1P;
    t->CCR1 = 250;
    t->DIER |= TIM_DIER_CC1IE;
    nvic_enable(s.irq);
    t->BDTR |= TIM_BDTR_MOE;
    if (start == bench::TimerStart::Running) t->CR1 |= TIM_CR1_CEN;
}

}  // namespace

namespace bench {

void timer_start(TIM_Registers* timer) { timer->CR1 |= TIM_CR1_CEN; }
void timer_stop(TIM_Registers* timer) { timer->CR1 &= ~TIM_CR1_CEN; }

void x_halt() {
    pin_high(GPIOF, kXControlPin);
    timer_stop(TIM1);
}
void x_run() {
    pin_low(GPIOF, kXControlPin);
    timer_start(TIM1);
}
bool letter_command(char letter) {
    switch (letter) {
        case 'a':
            x_halt();
            return true;
        case 'b':
            x_run();
            return true;
        case 'c':
            x_dir_up();
            return true;
        case 'd':
            x_dir_down();
            return true;
        case 'e':
            y_run_down();
            return true;
        case 'f':
            y_run_up();
            return true;
        case 'g':
            y_halt();
            return true;
        default:
            return false;
    }
}

void x_dir_up() { pin_high(GPIOF, kXDirPin); }
void x_dir_down() { pin_low(GPIOF, kXDirPin); }
void y_run_down() {
    timer_start(TIM8);
    pin_high(GPIOF, kYDownPin);
    pin_low(GPIOF, kYUpPin);
}
void y_run_up() {
    timer_start(TIM8);
    pin_high(GPIOF, kYUpPin);
    pin_low(GPIOF, kYDownPin);
}
void y_halt() { timer_stop(TIM8); }

void axes_setup(TimerStart start) {
    DelayMS(10);
    _GPIO_Init();
    TIMER1_OC_Init(start);
    TIMER8_OC_Init(start);
}

bool uart4_take_byte(volatile char& ch4) {
    if (!(UART4->SR & USART_SR_RXNE)) return false;
    ch4 = static_cast<char>(UART4->DR);
    return true;
}

void exti_enable_interrupts(bool lines_10_to_15) {
    for (IRQn irq : {EXTI0_IRQn, EXTI1_IRQn, EXTI2_IRQn, EXTI3_IRQn, EXTI4_IRQn, EXTI9_5_IRQn})
        nvic_enable(irq);
    if (lines_10_to_15) nvic_enable(EXTI15_10_IRQn);
}

void acknowledge_step(TIM_Registers* timer) {
    take_flag(timer, TIM_SR_UIF);
    take_flag(timer, TIM_SR_CC1IF);
}

void switch_action(unsigned line) {
    switch (line) {
        case 0:
            pin_high(GPIOF, kXControlPin);
            break;
        case 1:
            pin_low(GPIOF, kXControlPin);
            break;
        case 2:
        case 7:
        case 14:
            x_dir_up();
            break;
        case 3:
        case 8:
        case 15:
            x_dir_down();
            break;
        case 4:
            y_run_down();
            break;
        case 5:
            y_run_up();
            break;
        case 6:
            y_halt();
            break;
        default:
            break;
    }
}

void serve_switch_debounced(unsigned line) {
    DelayMS(10);
    switch_action(line);
    EXTI->PR = EXTI_LINE(line);
}

void serve_switch_undelayed(unsigned line) {
    switch_action(line);
    EXTI->PR = EXTI_LINE(line);
}

void serve_switch_at_once(unsigned line) {
    EXTI->PR = EXTI_LINE(line);
    switch_action(line);
}

void serve_pending(std::uint32_t lines, void (*serve)(unsigned line)) {
    for (unsigned line = 0; line < 16; ++line)
        if ((lines & EXTI_LINE(line)) && (EXTI->PR & EXTI_LINE(line))) serve(line);
}

}  // namespace bench

void _GPIO_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOFEN;
    constexpr GpioPins kControlLines = GPIO_PINS(8, 15);
    GPIOF->MODER |= GPIO_MODER_MODE(kControlLines, GPIO_MODE_OUTPUT);
    GPIOF->OTYPER &= ~GPIO_OTYPER_OT(kControlLines);
    GPIOF->OSPEEDR |= GPIO_OSPEEDR_OSPEED(kControlLines, GPIO_SPEED_MEDIUM);
}

void TIMER1_OC_Init(bench::TimerStart start) {
    step_timer_init({TIM1, GPIOE, RCC_AHB1ENR_GPIOEEN, RCC_APB2ENR_TIM1EN, 9, 1, TIM1_CC_IRQn},
                    start);
}

void TIMER8_OC_Init(bench::TimerStart start) {
    step_timer_init({TIM8, GPIOC, RCC_AHB1ENR_GPIOCEN, RCC_APB2ENR_TIM8EN, 6, 3, TIM8_CC_IRQn},
                    start);
}

void UART4_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOCEN;
    for (unsigned pin : {10u, 11u}) {
        GPIOC->MODER =
            (GPIOC->MODER & ~GPIO_MODER_MODE_Msk(pin)) | GPIO_MODER_MODE(pin, GPIO_MODE_AF);
        GPIOC->OSPEEDR |= GPIO_OSPEEDR_OSPEED(pin, GPIO_SPEED_VERY_HIGH);
        GPIOC->AFR[1] = (GPIOC->AFR[1] & ~GPIO_AFR_AF_Msk(pin)) | GPIO_AFR_AF(pin, 8);
    }
    RCC->APB1ENR |= RCC_APB1ENR_UART4EN;
    UART4_BRR_Configuration(bench::kUartBaud);
    UART4->CR1 &= ~(USART_CR1_M | USART_CR1_PCE);
    UART4->CR1 |= USART_CR1_RE | USART_CR1_TE;
    UART4->CR2 &= ~USART_CR2_STOP_Msk;
    UART4->CR3 = 0;
    UART4->CR1 |= USART_CR1_RXNEIE;
    nvic_enable(UART4_IRQn);
    UART4->CR1 |= USART_CR1_UE;
}

void UART4_BRR_Configuration(std::uint32_t baud) {
    // Mantissa and fraction in hundredths, rounded to the 4 (or 3) fraction bits.
    const bool over8 = UART4->CR1 & USART_CR1_OVER8;
    const std::uint32_t d = 25u * CHIP_APB1_HZ / ((over8 ? 2u : 4u) * baud);
    const std::uint32_t mantissa = d / 100u;
    const std::uint32_t f = d - 100u * mantissa;
    const std::uint32_t fraction = over8
                                       ? ((f * 8u + 50u) / 100u) & USART_BRR_DIV_Fraction_Msk_OVER8
                                       : ((f * 16u + 50u) / 100u) & USART_BRR_DIV_Fraction_Msk;
    UART4->BRR = (mantissa << USART_BRR_DIV_Mantissa_Pos) | fraction;
}

void SerialSendChar(std::uint8_t byte) {
    while (!(UART4->SR & USART_SR_TXE)) chip_time_hook();
    UART4->DR = byte;
}

void SerialSendString(const char* text) {
    while (*text != '\0') SerialSendChar(static_cast<std::uint8_t>(*text++));
}

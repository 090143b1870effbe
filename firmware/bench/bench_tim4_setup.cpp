#include "bench_tim4_setup.h"

namespace bench {

void poll_buttons(const ButtonAction* actions, std::size_t count) {
    for (std::size_t n = 0; n < count; ++n) {
        const ButtonAction& a = actions[n];
        if (!pin_reads_low(GPIOG, a.button)) continue;
        DelayMS(10);
        if (a.level)
            pin_high(GPIOD, a.output);
        else
            pin_low(GPIOD, a.output);
    }
}

void tim4_toggle_init(Tim4Channels channels) {
    const bool two = channels == Tim4Channels::Two;
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    timer_output_pin(GPIOD, 12, 2);
    if (two) timer_output_pin(GPIOD, 13, 2);
    RCC->APB1ENR |= RCC_APB1ENR_TIM4EN;

    TIM4->CR1 &= ~(TIM_CR1_UDIS | TIM_CR1_URS | TIM_CR1_DIR | TIM_CR1_OPM | TIM_CR1_CMS_Msk |
                   TIM_CR1_ARPE | TIM_CR1_CKD_Msk);
    TIM4->PSC = 83;  // 1 MHz tick on the 84 MHz APB1 timer clock
    TIM4->ARR = 499;
    TIM4->DIER |= TIM_DIER_UIE;
    TIM4->EGR = two ? TIM_EGR_CC1G | TIM_EGR_CC2G : TIM_EGR_CC1G;
    TIM4->CCMR1 &= ~(TIM_CCMR1_CC1S_Msk | TIM_CCMR1_OC1FE | TIM_CCMR1_OC1PE);
    TIM4->CCMR1 |= TIM_CCMR1_OC1M_TOGGLE;
    if (two) {
        TIM4->CCMR1 &= ~(TIM_CCMR1_CC2S_Msk | TIM_CCMR1_OC2FE | TIM_CCMR1_OC2PE);
        TIM4->CCMR1 |= TIM_CCMR1_OC2M_TOGGLE;
    }
    TIM4->CCER |= TIM_CCER_CC1E;
    TIM4->CCER &= ~TIM_CCER_CC1P;
    if (two) {
        TIM4->CCER |= TIM_CCER_CC2E;
        TIM4->CCER &= ~TIM_CCER_CC2P;
    }
    TIM4->CCR1 = 250;
    if (two) TIM4->CCR2 = 300;
    TIM4->DIER |= two ? TIM_DIER_CC1IE | TIM_DIER_CC2IE : TIM_DIER_CC1IE;
    nvic_enable(TIM4_IRQn);
    TIM4->CR1 |= TIM_CR1_CEN;
}

}  // namespace bench

void _GPIO_Init() {
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIODEN;
    constexpr GpioPins kLowPins = GPIO_PINS(0, 7);
    GPIOD->MODER |= GPIO_MODER_MODE(kLowPins, GPIO_MODE_OUTPUT);
    GPIOD->OTYPER &= ~GPIO_OTYPER_OT(kLowPins);
    GPIOD->OSPEEDR |= GPIO_OSPEEDR_OSPEED(kLowPins, GPIO_SPEED_MEDIUM);
    RCC->AHB1ENR |= RCC_AHB1ENR_GPIOGEN;
    GPIOG->MODER &= ~GPIO_MODER_MODE_Msk(kLowPins);  // inputs
    GPIOG->PUPDR &= ~GPIO_PUPDR_Msk(kLowPins);       // no pull
}

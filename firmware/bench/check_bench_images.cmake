# Checks the ten bench images of the cross build, each with its own handlers;
# bench_capture with its stack at the top of the CCM.
set(images
    "bench_uart_irq: T UART4_IRQHandler, T TIM1_CC_IRQHandler, T TIM8_CC_IRQHandler"
    "bench_uart_goal: T UART4_IRQHandler, T TIM1_CC_IRQHandler, T TIM8_CC_IRQHandler"
    "bench_uart: T UART4_IRQHandler, T TIM1_CC_IRQHandler, T TIM8_CC_IRQHandler"
    "bench_uart_letters: T UART4_IRQHandler, T TIM1_CC_IRQHandler, T TIM8_CC_IRQHandler"
    "bench_switch: T EXTI0_IRQHandler, T EXTI4_IRQHandler, T EXTI9_5_IRQHandler, T EXTI15_10_IRQHandler"
    "bench_switch_b: T EXTI0_IRQHandler, T EXTI9_5_IRQHandler, T EXTI15_10_IRQHandler"
    "bench_switch_c: T EXTI0_IRQHandler, T EXTI9_5_IRQHandler"
    "bench_tim4: T TIM4_IRQHandler"
    "bench_tim4_switch: T TIM4_IRQHandler"
    "bench_capture: T USART1_IRQHandler, T EXTI9_5_IRQHandler, T TIM8_CC_IRQHandler, 10010000 R _estack")
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/check_image.cmake)
foreach(entry IN LISTS images)
    string(REGEX MATCH "^([a-z0-9_]+): (.*)$" _ "${entry}")
    set(image ${CMAKE_MATCH_1})
    string(REPLACE ", " ";" expected "${CMAKE_MATCH_2}")
    check_image(${image} ${expected})
endforeach()
message("bench images complete")

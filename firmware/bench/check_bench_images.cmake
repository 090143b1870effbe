# Checks the ten bench images of the cross build: ELF, .bin and .hex, the
# vector table at the start of flash, main and each image's own handlers;
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
foreach(entry IN LISTS images)
    string(REGEX MATCH "^([a-z0-9_]+): (.*)$" _ "${entry}")
    set(image ${CMAKE_MATCH_1})
    string(REPLACE ", " ";" expected "${CMAKE_MATCH_2}")
    foreach(ext elf bin hex)
        if(NOT EXISTS ${IMAGE_DIR}/${image}.${ext})
            message(FATAL_ERROR "missing ${IMAGE_DIR}/${image}.${ext}")
        endif()
    endforeach()
    execute_process(COMMAND ${NM} ${IMAGE_DIR}/${image}.elf OUTPUT_VARIABLE symbols
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${NM} failed on ${image}.elf")
    endif()
    foreach(symbol "08000000 R vector_table" " T main" ${expected})
        string(FIND "${symbols}" "${symbol}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "symbol '${symbol}' not found in ${image}.elf")
        endif()
    endforeach()
endforeach()
message("bench images complete")

# The step handlers' length on the real image: the instructions of
# TIM8_CC_IRQHandler (X) or TIM1_CC_IRQHandler (Y), of count_step_event, which
# it calls, and of the axis's stop, which that calls at the goal. None of them
# loops, so their sum bounds the instructions any step event executes.
#   cmake -DOBJDUMP=arm-none-eabi-objdump -DELF=plotter_main.elf -DLIMIT=60
#         -P check_step_handler.cmake
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${ELF} OUTPUT_VARIABLE listing
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} failed on ${ELF}")
endif()
string(REPLACE ";" "," listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")

# Instructions of the function whose symbol matches `pattern`, in `out`.
function(count_instructions pattern out)
    set(inside FALSE)
    set(count 0)
    foreach(line IN LISTS lines)
        if(line MATCHES "^[0-9a-f]+ <(.*)>:$")
            set(inside FALSE)
            if(CMAKE_MATCH_1 MATCHES "${pattern}")
                set(inside TRUE)
            endif()
        elseif(inside AND line MATCHES "^ +[0-9a-f]+:\t" AND NOT line MATCHES "\\.word")
            math(EXPR count "${count} + 1")
        endif()
    endforeach()
    if(count EQUAL 0)
        message(FATAL_ERROR "no function ${pattern} in ${ELF}")
    endif()
    set(${out} ${count} PARENT_SCOPE)
endfunction()

count_instructions("^count_step_event|^_Z16count_step_event" shared)
set(failed FALSE)
foreach(axis X Y)
    if(axis STREQUAL "X")
        count_instructions("^TIM8_CC_IRQHandler$" handler)
        count_instructions("^_Z6x_stopv$" stop)
    else()
        count_instructions("^TIM1_CC_IRQHandler$" handler)
        count_instructions("^_Z6y_stopv$" stop)
    endif()
    math(EXPR total "${handler} + ${shared} + ${stop}")
    message("${axis} step handler: at most ${total} instructions (handler ${handler}, "
            "count_step_event ${shared}, stop ${stop}); the limit is ${LIMIT}")
    if(total GREATER LIMIT)
        set(failed TRUE)
    endif()
endforeach()
if(failed)
    message(FATAL_ERROR "a step handler is longer than ${LIMIT} instructions")
endif()

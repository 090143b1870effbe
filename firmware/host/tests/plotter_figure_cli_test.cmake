# plotter-figure as a user runs it: the house from G-code is the firmware's sample
# house; through to-gcode and back it stays the same; a drawing too large for the
# travel is refused (exit 1, saying by how much) unless scaled to fit.
#   cmake -DTOOL=plotter-figure -DDATA=dir -DEXAMPLES=dir -DWORK=dir -P plotter_figure_cli_test.cmake
file(MAKE_DIRECTORY ${WORK})

function(run expected_result)
    execute_process(COMMAND ${TOOL} ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out
                    ERROR_VARIABLE err)
    if(NOT result EQUAL expected_result)
        message(FATAL_ERROR "plotter-figure ${ARGN}: exit ${result}, wanted ${expected_result}\n${out}${err}")
    endif()
    set(output "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect_same_file a b)
    file(READ ${a} ta)
    file(READ ${b} tb)
    string(REPLACE "\r" "" ta "${ta}")
    string(REPLACE "\r" "" tb "${tb}")
    if(NOT ta STREQUAL tb)
        message(FATAL_ERROR "${a} and ${b} differ:\n${ta}\n---\n${tb}")
    endif()
endfunction()

run(0 from-gcode ${DATA}/house.gcode -o ${WORK}/house.txt)
expect_same_file(${WORK}/house.txt ${EXAMPLES}/house.txt)
run(0 to-gcode ${WORK}/house.txt -o ${WORK}/house.gcode)
run(0 from-gcode ${WORK}/house.gcode -o ${WORK}/house-again.txt)
expect_same_file(${WORK}/house-again.txt ${EXAMPLES}/house.txt)

file(REMOVE ${WORK}/big.txt)
run(1 from-svg ${DATA}/circle.svg --scale 2 -o ${WORK}/big.txt)
if(NOT output MATCHES "x reaches 60.0, 27.6 beyond its travel 0..32.4" OR EXISTS ${WORK}/big.txt)
    message(FATAL_ERROR "a drawing beyond the travel: ${output}")
endif()
run(0 from-svg ${DATA}/circle.svg --fit 20x20 --offset 5,5 -o ${WORK}/fit.txt)
file(STRINGS ${WORK}/fit.txt first LIMIT_COUNT 1)
if(NOT first STREQUAL "LX25.0Y15.0")
    message(FATAL_ERROR "the fitted circle starts at ${first}, not at its right edge (25, 15)")
endif()
run(2 from-svg ${DATA}/circle.svg --fit 20x20 --scale 2 -o ${WORK}/both.txt)

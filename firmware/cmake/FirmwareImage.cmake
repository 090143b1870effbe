# One description of each firmware image serves both builds.
#
#   firmware_library(NAME <name> SOURCES <files...> [LIBRARIES <firmware libraries...>]
#                    [DEFINITIONS <compile definitions...>])
#   firmware_image(NAME <name> SOURCES <files...> [LIBRARIES <firmware libraries...>]
#                  [DEFINITIONS <compile definitions...>])
#
# DEFINITIONS builds a variant of the same sources (plotter_main_fine is
# plotter_main with PLOTTER_FINE_PACING).
#
# Host build (the normal configure): <name>_host, the sources compiled against
# the modelled chip; a static library for firmware_library, an OBJECT library
# for an image, so that all its handlers are linked. Interrupt handlers belong
# in image sources: the model finds them only through weak references, which
# do not pull members out of a static library. An image's main is renamed
# firmware_main there, so a test or plotter-sim links one image's <name>_host
# and runs it with chip::sim::run(firmware_main, ...). Images define handlers
# with fixed names, so one executable links at most one image.
#
# Target build (firmware/ configured with cmake/arm-none-eabi.cmake, done by
# the host build through ExternalProject): <name> is a static library, or the
# image <name>.elf with <name>.bin and <name>.hex beside it and its flash and
# RAM use printed.

function(firmware_library)
    cmake_parse_arguments(ARG "" "NAME;KIND" "SOURCES;LIBRARIES;DEFINITIONS" ${ARGN})
    if(FIRMWARE_TARGET)
        add_library(${ARG_NAME} STATIC ${ARG_SOURCES})
        target_link_libraries(${ARG_NAME} PUBLIC chip ${ARG_LIBRARIES})
        target_compile_definitions(${ARG_NAME} PRIVATE ${ARG_DEFINITIONS})
    else()
        if(NOT ARG_KIND)
            set(ARG_KIND STATIC)
        endif()
        add_library(${ARG_NAME}_host ${ARG_KIND} ${ARG_SOURCES})
        list(TRANSFORM ARG_LIBRARIES APPEND _host)
        target_link_libraries(${ARG_NAME}_host PUBLIC chip_model ${ARG_LIBRARIES})
        target_compile_definitions(${ARG_NAME}_host PRIVATE ${ARG_DEFINITIONS})
    endif()
endfunction()

function(firmware_image)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBRARIES;DEFINITIONS" ${ARGN})
    if(NOT FIRMWARE_TARGET)
        set_property(GLOBAL APPEND PROPERTY FIRMWARE_IMAGES ${ARG_NAME})  # for flash-<image>
        firmware_library(NAME ${ARG_NAME} KIND OBJECT SOURCES ${ARG_SOURCES}
                         LIBRARIES ${ARG_LIBRARIES} DEFINITIONS ${ARG_DEFINITIONS})
        target_compile_definitions(${ARG_NAME}_host PRIVATE main=firmware_main)
        return()
    endif()
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    set_target_properties(${ARG_NAME} PROPERTIES SUFFIX .elf)
    target_link_libraries(${ARG_NAME} PRIVATE chip_startup chip ${ARG_LIBRARIES} m)
    target_compile_definitions(${ARG_NAME} PRIVATE ${ARG_DEFINITIONS})
    target_link_options(${ARG_NAME} PRIVATE -T${FIRMWARE_LINKER_SCRIPT}
                        -Wl,-Map=$<TARGET_FILE_DIR:${ARG_NAME}>/${ARG_NAME}.map)
    set_property(TARGET ${ARG_NAME} APPEND PROPERTY LINK_DEPENDS ${FIRMWARE_LINKER_SCRIPT})
    add_custom_command(TARGET ${ARG_NAME} POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} -O binary $<TARGET_FILE:${ARG_NAME}> $<TARGET_FILE_DIR:${ARG_NAME}>/${ARG_NAME}.bin
        COMMAND ${CMAKE_OBJCOPY} -O ihex $<TARGET_FILE:${ARG_NAME}> $<TARGET_FILE_DIR:${ARG_NAME}>/${ARG_NAME}.hex
        COMMAND ${CMAKE_COMMAND} -DSIZE=${CMAKE_SIZE} -DELF=$<TARGET_FILE:${ARG_NAME}>
                -P ${FIRMWARE_SOURCE_DIR}/cmake/print_size.cmake
        VERBATIM)
endfunction()

# A GoogleTest executable of the host build, run by CTest: each test on its
# own, and the whole program once with its tests in a shuffled order, so that
# no test depends on another's leftovers.
#   firmware_test(<name> SOURCES <files...> LIBRARIES <targets...>)
function(firmware_test NAME)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    if(FIRMWARE_TARGET OR NOT BUILD_TESTING)
        return()
    endif()
    add_executable(${NAME} ${ARG_SOURCES})
    target_link_libraries(${NAME} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main)
    gtest_discover_tests(${NAME})
    add_test(NAME ${NAME}.AllInOneProcess COMMAND ${NAME} --gtest_shuffle)
endfunction()

# flash-<image>: writes a cross-built image to the board through an ST-LINK,
# with openocd (target/stm32f4x.cfg) or, where only that is installed, st-flash.
# FIRMWARE_FLASH_TOOL picks one when both are. Without a tool or without the
# cross build the target says what is missing and fails: nothing was flashed.
find_program(OPENOCD_EXECUTABLE openocd)
find_program(ST_FLASH_EXECUTABLE st-flash)
set(FIRMWARE_FLASH_TOOL "" CACHE STRING "openocd or st-flash (default: the first one installed)")
find_program(ARM_NONE_EABI_GXX arm-none-eabi-g++)

set(flash_tool ${FIRMWARE_FLASH_TOOL})
if(NOT flash_tool)
    if(OPENOCD_EXECUTABLE)
        set(flash_tool openocd)
    elseif(ST_FLASH_EXECUTABLE)
        set(flash_tool st-flash)
    endif()
endif()

get_property(images GLOBAL PROPERTY FIRMWARE_IMAGES)
set(image_dir ${CMAKE_BINARY_DIR}/firmware/images)
foreach(image IN LISTS images)
    if(NOT FIRMWARE_CROSS_BUILD OR NOT ARM_NONE_EABI_GXX)
        set(command ${CMAKE_COMMAND} -E echo
            "flash-${image}: the images are not cross-built (arm-none-eabi-g++ missing or FIRMWARE_CROSS_BUILD off), nothing flashed"
            COMMAND ${CMAKE_COMMAND} -E false)
    elseif(flash_tool STREQUAL "openocd" AND OPENOCD_EXECUTABLE)
        set(command ${OPENOCD_EXECUTABLE} -f interface/stlink.cfg -f target/stm32f4x.cfg
            -c "program ${image_dir}/${image}.elf verify reset exit")
    elseif(flash_tool STREQUAL "st-flash" AND ST_FLASH_EXECUTABLE)
        set(command ${ST_FLASH_EXECUTABLE} --reset write ${image_dir}/${image}.bin 0x08000000)
    else()
        set(command ${CMAKE_COMMAND} -E echo
            "flash-${image}: neither openocd nor st-flash is installed (apt install openocd, or stlink-tools), nothing flashed"
            COMMAND ${CMAKE_COMMAND} -E false)
    endif()
    add_custom_target(flash-${image} COMMAND ${command} USES_TERMINAL VERBATIM
                      COMMENT "Writing ${image} to the board")
    if(FIRMWARE_CROSS_BUILD AND ARM_NONE_EABI_GXX)
        add_dependencies(flash-${image} firmware_images)
    endif()
endforeach()

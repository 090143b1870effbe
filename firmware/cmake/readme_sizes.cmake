# The flash and RAM use of the plotter images, as a table between two marker
# lines of README.md, from the cross build's ELF files:
#   cmake -DSIZE=arm-none-eabi-size -DIMAGE_DIR=build/firmware/images
#         -DREADME=firmware/README.md -DMODE=update|check -P readme_sizes.cmake
# update rewrites the table; check fails when it differs from the build.
include(${CMAKE_CURRENT_LIST_DIR}/image_size.cmake)
set(images plotter_main plotter_main_fine figure_demo)
set(begin_marker "<!-- image sizes: generated from the cross build, see cmake/readme_sizes.cmake -->")
set(end_marker "<!-- end of image sizes -->")

set(table "| Image | Flash | RAM | text | data | bss |\n|---|---:|---:|---:|---:|---:|\n")
foreach(image IN LISTS images)
    set(elf ${IMAGE_DIR}/${image}.elf)
    if(NOT EXISTS ${elf})
        message(FATAL_ERROR "${elf} is missing: build the firmware images first")
    endif()
    read_image_size(${elf})
    string(APPEND table "| `${image}` | ${image_flash} | ${image_ram} | ${image_text} | ${image_data} | ${image_bss} |\n")
endforeach()

file(READ ${README} text)
string(FIND "${text}" "${begin_marker}" from)
string(FIND "${text}" "${end_marker}" to)
if(from EQUAL -1 OR to EQUAL -1 OR to LESS from)
    message(FATAL_ERROR "${README} has no image size table between its marker lines")
endif()
string(LENGTH "${begin_marker}\n" skip)
math(EXPR table_from "${from} + ${skip}")
math(EXPR table_length "${to} - ${table_from}")
string(SUBSTRING "${text}" ${table_from} ${table_length} written)

if(MODE STREQUAL "update")
    if(NOT written STREQUAL table)
        string(SUBSTRING "${text}" 0 ${table_from} head)
        string(SUBSTRING "${text}" ${to} -1 tail)
        file(WRITE ${README} "${head}${table}${tail}")
        message(STATUS "${README}: image sizes updated")
    endif()
elseif(NOT written STREQUAL table)
    message(FATAL_ERROR "the image sizes in ${README} are not those of the build; run "
                        "cmake --build build --target firmware-readme-sizes\n"
                        "README:\n${written}\nbuild:\n${table}")
endif()

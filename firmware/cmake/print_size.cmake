# Prints the flash and RAM use of one image: flash = text + data, RAM = data + bss.
include(${CMAKE_CURRENT_LIST_DIR}/image_size.cmake)
read_image_size(${ELF})
get_filename_component(name ${ELF} NAME_WE)
message("${name}: flash ${image_flash} bytes of 1048576, RAM ${image_ram} bytes of 131072 (text ${image_text}, data ${image_data}, bss ${image_bss})")

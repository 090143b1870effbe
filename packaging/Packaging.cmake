# What every Debian package carries besides its programs: the copyright file, the
# Debian changelog and a manual page for each program (help2man, from its --help).
# Included from the top-level CMakeLists after every program is defined.
set(DEB_RELEASE 1)

set(PACKAGE_COMPONENTS cli tools)
set(package_cli brivo-cli)
set(package_tools plotter-tools)
if(TARGET brivo)
  list(APPEND PACKAGE_COMPONENTS desktop)
  set(package_desktop brivo)
endif()
if(TARGET firmware_images)
  list(APPEND PACKAGE_COMPONENTS firmware)
  set(package_firmware plotter-firmware)
endif()

set(packaging_dir ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${packaging_dir}/changelog @ONLY)
# Compressed the way Debian wants it: best compression, no name or time stamp inside.
execute_process(COMMAND gzip -9nc ${packaging_dir}/changelog
                OUTPUT_FILE ${packaging_dir}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)

foreach(component IN LISTS PACKAGE_COMPONENTS)
  set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${package_${component}})
  install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${doc_dir} RENAME copyright
          COMPONENT ${component})
  install(FILES ${packaging_dir}/changelog.Debian.gz DESTINATION ${doc_dir}
          COMPONENT ${component})
endforeach()

# --- Manual pages ---------------------------------------------------------------------
find_program(HELP2MAN_EXECUTABLE help2man)
if(NOT HELP2MAN_EXECUTABLE)
  message(STATUS "help2man not found: no manual pages (tools/setup-debian installs it)")
endif()
set(man_dir ${CMAKE_BINARY_DIR}/man)
set(man_pages)

# packaging_man_page(PROGRAM COMPONENT SUMMARY [SUBCOMMANDS...]): PROGRAM is a target or
# a file; the --help of each subcommand named goes into the page too.
function(packaging_man_page program component summary)
  if(NOT HELP2MAN_EXECUTABLE)
    return()
  endif()
  if(TARGET ${program})
    set(command $<TARGET_FILE:${program}>)
    set(name ${program})
  else()
    set(command ${program})
    get_filename_component(name ${program} NAME)
  endif()
  set(page ${man_dir}/${name}.1)
  set(include_commands)
  set(include_option)
  if(ARGN)
    set(include_commands COMMAND ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/subcommand_help.sh ${command}
                                 ${page}.h2m ${ARGN})
    set(include_option --include=${page}.h2m)
  endif()
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
    ${include_commands}
    COMMAND ${HELP2MAN_EXECUTABLE} --no-info --name=${summary} ${include_option}
            --output=${page} ${command}
    COMMAND gzip -9nf ${page}
    DEPENDS ${program} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/subcommand_help.sh
    COMMENT "Writing the manual page of ${name}"
    VERBATIM)
  set(man_pages ${man_pages} ${page}.gz PARENT_SCOPE)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

packaging_man_page(brivo-cli cli "turn outline font characters into firmware bitmaps"
                   extract convert preview info)
packaging_man_page(plotter-figure tools "turn G-code and SVG drawings into the plotter's figure stream"
                   from-gcode from-svg to-gcode)
packaging_man_page(plotter-send tools "stream a figure file to the plotter")
packaging_man_page(plotter-sim tools "run the plotter firmware on a modelled chip and draw what it does")
packaging_man_page(plotter-sim-fine tools
                   "plotter-sim with the firmware paced to the timer clock (plotter-sim --fine)")
if(TARGET firmware_images)
  packaging_man_page(${PLOTTER_FLASH_SCRIPT} firmware
                     "write a plotter firmware image to the board through an ST-LINK probe")
endif()
if(HELP2MAN_EXECUTABLE)
  add_custom_target(manpages ALL DEPENDS ${man_pages})
endif()

# The desktop program's --help is Qt's and in Korean; its page is written by hand.
if(TARGET brivo)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/brivo.1 ${man_dir}/brivo.1 @ONLY)
  execute_process(COMMAND gzip -9nc ${man_dir}/brivo.1 OUTPUT_FILE ${man_dir}/brivo.1.gz
                  COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${man_dir}/brivo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT desktop)
endif()

# --- Every installed program's --help fits 80 columns; --version names it and the version -
if(BUILD_TESTING)
  add_test(NAME HelpAndVersionTest
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/help_and_version_test.sh ${CMAKE_BINARY_DIR}
                   ${CMAKE_BINARY_DIR}/HelpAndVersionTest ${PROJECT_VERSION} ${PACKAGE_COMPONENTS})
  set_tests_properties(HelpAndVersionTest PROPERTIES ENVIRONMENT CMAKE=${CMAKE_COMMAND})
endif()

# --- The packages, built, checked by lintian, and brivo-cli run from its own ------------
if(BUILD_TESTING AND NOT SANITIZE)  # the packages are built from the release build
  find_program(LINTIAN_EXECUTABLE lintian)
  if(LINTIAN_EXECUTABLE AND HELP2MAN_EXECUTABLE)
    set(packages)
    foreach(component IN LISTS PACKAGE_COMPONENTS)
      list(APPEND packages ${package_${component}})
    endforeach()
    add_test(NAME DebianPackageTest
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/debian_package_test.sh ${CMAKE_BINARY_DIR}
                     ${CMAKE_BINARY_DIR}/DebianPackageTest $<TARGET_FILE:brivo-cli> ${packages})
    set_tests_properties(DebianPackageTest PROPERTIES ENVIRONMENT CPACK=${CMAKE_CPACK_COMMAND})
  else()
    message(STATUS "lintian or help2man not found: no DebianPackageTest (tools/setup-debian installs them)")
  endif()
endif()

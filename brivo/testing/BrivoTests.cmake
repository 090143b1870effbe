# The kinds of Brivo test: each builds the executable NAME from NAME.cpp in the calling
# folder. Shared helpers of the desktop tests are in testing/ ("testing/...").

# GoogleTest on one layer of the core: a test in glyph/tests links brivo_glyph, one in
# extract/tests brivo_extract (and so the layers below). Extra arguments go to
# gtest_discover_tests (e.g. PROPERTIES ENVIRONMENT ...).
function(brivo_core_test name)
  get_filename_component(layer ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
  get_filename_component(layer ${layer} NAME)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE brivo_${layer} GTest::gtest_main)
  gtest_discover_tests(${name} ${ARGN})
endfunction()

# brivo-cli run as a user would, through a shell.
function(brivo_cli_test name)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/..)
  target_compile_definitions(${name} PRIVATE BRIVO_CLI="$<TARGET_FILE:brivo-cli>")
  add_dependencies(${name} brivo-cli)
  gtest_discover_tests(${name})
endfunction()

# QtTest on the widgets (offscreen).
function(brivo_widget_test name)
  add_executable(${name} ${name}.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE brivo_widgets Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()

# QtTest on the panes by themselves.
function(brivo_pane_test name)
  brivo_widget_test(${name})
  target_link_libraries(${name} PRIVATE brivo_panes)
endfunction()

# QtTest on the desktop program (application, main frame, view), and on panes driven
# through the view.
function(brivo_app_test name)
  brivo_widget_test(${name})
  target_link_libraries(${name} PRIVATE brivo_app)
endfunction()

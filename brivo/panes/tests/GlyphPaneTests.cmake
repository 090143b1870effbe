# Included from brivo/panes/CMakeLists.txt: QtTest programs of the glyph editor and the glyph
# information pane, driven through the view's relay on the offscreen platform.
function(brivo_glyph_pane_test name)
  add_executable(${name} tests/${name}.cpp tests/GlyphPaneTestSupport.h)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../shell/tests)
  target_link_libraries(${name} PRIVATE brivo_app Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()

brivo_glyph_pane_test(GlyphCanvasTest)
brivo_glyph_pane_test(GlyphEditPaneTest)
brivo_glyph_pane_test(GlyphInfoPaneTest)

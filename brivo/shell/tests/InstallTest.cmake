# Installs the build into a fresh prefix, checks the desktop entry and icons, then starts the
# installed brivo (offscreen), ends it with SIGINT and checks that it stored its profile.
# Arguments: -DBUILD_DIR=... -DPREFIX=...
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file bin/brivo bin/brivo-cli share/brivo/60-brivo-korean.conf
             share/applications/brivo.desktop
             share/icons/hicolor/32x32/apps/brivo.png share/icons/hicolor/128x128/apps/brivo.png)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(STRINGS ${PREFIX}/share/applications/brivo.desktop exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=brivo")
  message(FATAL_ERROR "unexpected ${exec}")
endif()

# SIGINT goes once the program catches it (its SigCgt mask), however slow the machine is.
set(start_and_interrupt [=[
"$1" & pid=$!
tries=0
until caught=$(awk '/^SigCgt:/ { print $2 }' /proc/$pid/status 2>/dev/null) &&
      [ -n "$caught" ] && [ $(( 0x$caught & 2 )) -ne 0 ]; do
  tries=$((tries + 1))
  [ $tries -gt 1200 ] && { kill -KILL $pid; exit 124; }
  sleep 0.1
done
kill -INT $pid
wait $pid
]=])
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${PREFIX}/config QT_QPA_PLATFORM=offscreen
          sh -c "${start_and_interrupt}" sh ${PREFIX}/bin/brivo
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed brivo ended with ${result}")
endif()
set(profile "${PREFIX}/config/Local AppWizard-Generated Applications/Brivo.ini")
file(STRINGS "${profile}" positions REGEX "VertSplitPos=[0-9]+")
if(NOT positions)
  message(FATAL_ERROR "the installed brivo stored no splitter positions in ${profile}")
endif()

# The installed command-line tool resolves the default face through the installed aliases.
execute_process(COMMAND ${PREFIX}/bin/brivo-cli extract --range ascii -o ${PREFIX}/ascii.h
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output MATCHES "NanumGothicCoding")
  message(FATAL_ERROR "the installed brivo-cli failed: ${output}")
endif()

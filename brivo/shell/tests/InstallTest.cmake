# Installs the build into a fresh prefix, checks the desktop entry, the .fnt type and icons,
# then starts the installed brivo (offscreen) with a C source file, waits until it has loaded
# it, ends it with SIGINT and checks that it stored its profile.
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
# The desktop entry passes the files it is opened with and names the types it opens, as
# desktop-file-validate (desktop-file-utils) checks it; update-mime-database (shared-mime-info)
# gives .fnt files the program's own type.
set(entry ${PREFIX}/share/applications/brivo.desktop)
file(STRINGS ${entry} exec REGEX "^Exec=")
file(STRINGS ${entry} types REGEX "^MimeType=")
if(NOT exec STREQUAL "Exec=brivo %F"
   OR NOT types STREQUAL "MimeType=application/x-brivo-fnt\;text/x-csrc\;text/x-chdr\;")
  message(FATAL_ERROR "unexpected ${exec}, ${types}")
endif()
foreach(tool desktop-file-validate update-mime-database)
  find_program(${tool}_path ${tool})
  if(NOT ${tool}_path)
    message(FATAL_ERROR "${tool} is not installed (tools/setup-debian installs it)")
  endif()
endforeach()
execute_process(COMMAND ${desktop-file-validate_path} ${entry} RESULT_VARIABLE result
                OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${output}")
endif()
execute_process(COMMAND ${update-mime-database_path} ${PREFIX}/share/mime RESULT_VARIABLE result
                ERROR_VARIABLE output)
file(STRINGS ${PREFIX}/share/mime/globs2 glob REGEX ":application/x-brivo-fnt:\\*\\.fnt$")
if(NOT result EQUAL 0 OR NOT glob)
  message(FATAL_ERROR "update-mime-database gives .fnt no type of ours: ${output}")
endif()

# The installed command-line tool resolves the default face through the installed aliases.
execute_process(COMMAND ${PREFIX}/bin/brivo-cli extract --range ascii -o ${PREFIX}/ascii.h
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output MATCHES "NanumGothicCoding")
  message(FATAL_ERROR "the installed brivo-cli failed: ${output}")
endif()

# Started with that file as a file manager starts it (Exec=brivo %F), the program loads it,
# which puts it first in the recent-file list of its profile. SIGINT goes once that has
# happened and the program catches the signal (its SigCgt mask), however slow the machine is.
set(profile "${PREFIX}/config/Local AppWizard-Generated Applications/Brivo.ini")
set(start_and_interrupt [=[
"$1" "$2" & pid=$!
tries=0
until caught=$(awk '/^SigCgt:/ { print $2 }' /proc/$pid/status 2>/dev/null) &&
      [ -n "$caught" ] && [ $(( 0x$caught & 2 )) -ne 0 ] &&
      grep -qxF "File1=$2" "$3" 2>/dev/null; do
  tries=$((tries + 1))
  [ $tries -gt 1200 ] && { kill -KILL $pid; exit 124; }
  sleep 0.1
done
kill -INT $pid
wait $pid
]=])
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${PREFIX}/config QT_QPA_PLATFORM=offscreen
          sh -c "${start_and_interrupt}" sh ${PREFIX}/bin/brivo ${PREFIX}/ascii.h ${profile}
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed brivo ended with ${result} (124: it did not load "
                      "${PREFIX}/ascii.h)")
endif()
file(STRINGS "${profile}" positions REGEX "VertSplitPos=[0-9]+")
if(NOT positions)
  message(FATAL_ERROR "the installed brivo stored no splitter positions in ${profile}")
endif()


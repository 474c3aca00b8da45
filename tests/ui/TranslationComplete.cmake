# Fails when a text of the window, the wizard or a dialog has no German translation: runs
# lupdate over src/ui into a copy of translation_de.ts and looks for unfinished messages.
# Usage: cmake -DLUPDATE=... -DSOURCE_DIR=<src/ui> -DTS=<.ts> -DWORK=<folder> -P this-file
file(MAKE_DIRECTORY ${WORK})
get_filename_component(name ${TS} NAME)
set(copy ${WORK}/${name})
file(COPY_FILE ${TS} ${copy})
execute_process(COMMAND ${LUPDATE} -silent -locations none -no-obsolete ${SOURCE_DIR} -ts ${copy}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${result})")
endif()
file(STRINGS ${copy} lines)
set(missing "")
set(source "")
foreach(line IN LISTS lines)
  if(line MATCHES "<source>(.*)</source>")
    set(source "${CMAKE_MATCH_1}")
  elseif(line MATCHES "<source>(.*)")
    set(source "${CMAKE_MATCH_1}...")
  endif()
  if(line MATCHES "type=\"unfinished\"")
    list(APPEND missing "${source}")
  endif()
endforeach()
list(LENGTH missing count)
if(count GREATER 0)
  list(JOIN missing "\n  " text)
  message(FATAL_ERROR "${count} text(s) of src/ui have no translation in ${name}; run\n"
          "  lupdate -locations none -no-obsolete src/ui -ts src/ui/translations/${name}\n"
          "and translate:\n  ${text}")
endif()
message(STATUS "${name}: every text is translated")

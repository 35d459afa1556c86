# Fails when the program PROGRAM names a Qt widgets library among the shared libraries it
# needs. chordlane-tool runs where no widget toolkit need be installed. The default build
# links with --as-needed, which drops an unused library and so hides a stray link; the
# sanitizer builds do not, so there the check sees every library on the link line.
execute_process(COMMAND ${READELF} --dynamic ${PROGRAM}
    OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${READELF} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*" needed "${dynamic}")
if(NOT needed)
    message(FATAL_ERROR "${PROGRAM} names no shared library; the check reads nothing")
endif()
foreach(line IN LISTS needed)
    if(line MATCHES "Qt[0-9]*Widgets")
        message(FATAL_ERROR "${PROGRAM} needs Qt's widgets: ${line}")
    endif()
endforeach()

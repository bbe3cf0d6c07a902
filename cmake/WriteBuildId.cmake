# Run at every build: writes the checkout's description (tag, commits since, commit, "-dirty";
# "unknown" outside a checkout) into a header, touching it only when it changed, so a commit
# is told by the next build without configuring again and nothing else is rebuilt.
#   cmake -DSOURCE_DIR=... -DOUTPUT=.../BuildId.h -P WriteBuildId.cmake
execute_process(COMMAND git describe --tags --always --dirty
                WORKING_DIRECTORY "${SOURCE_DIR}"
                OUTPUT_VARIABLE id OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR id STREQUAL "")
  set(id "unknown")
endif()
file(WRITE "${OUTPUT}.new" "#pragma once\n#define TARVIX_BUILD_ID \"${id}\"\n")
execute_process(COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
file(REMOVE "${OUTPUT}.new")

# Run at every build (cmake -P): writes the source tree's `git describe` into
# OUTPUT, touching the file only when the description changed, so that an
# unchanged tree relinks nothing.
#   -DSOURCE_DIR=... -DOUTPUT=...
set(description "")
find_program(GIT git)
if(GIT)
    # Only the project's own checkout counts: a tarball unpacked inside some
    # other repository would otherwise take that repository's description.
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --show-toplevel
                    OUTPUT_VARIABLE top RESULT_VARIABLE failed ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT failed)
        file(REAL_PATH "${top}" top)
        file(REAL_PATH "${SOURCE_DIR}" source)
    endif()
    if(NOT failed AND top STREQUAL source)
        execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} describe --always --dirty --tags
                        OUTPUT_VARIABLE description RESULT_VARIABLE failed ERROR_QUIET
                        OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(failed OR NOT description MATCHES "^[A-Za-z0-9._+-]+$")
            set(description "")
        endif()
    endif()
endif()

set(text "// Written by cmake/GitDescription.cmake at build time.\n#include \"base/build_info.h\"\n\nconst char* Base::gitDescription() {\n    return \"${description}\";\n}\n")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
else()
    set(old "")
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUTPUT}" "${text}")
endif()

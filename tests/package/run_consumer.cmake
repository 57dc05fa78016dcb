# Installs the build tree into a fresh prefix, then configures, builds and runs
# the consumer project against it. Arguments: BUILD_DIR, SOURCE_DIR, WORK_DIR,
# GENERATOR, BUILD_TYPE and FLAGS (compile and link flags the libraries need,
# such as the sanitizers').
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                    ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ARGN}\n${output}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

run("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
if(NOT EXISTS "${prefix}/include/kvsuite/core/xml_document.h")
    message(FATAL_ERROR "headers not installed under include/kvsuite")
endif()
run("${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/build" -G "${GENERATOR}"
    "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}" "-DCMAKE_PREFIX_PATH=${prefix}"
    "-DCMAKE_CXX_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
run("${CMAKE_COMMAND}" --build "${WORK_DIR}/build")
run("${WORK_DIR}/build/consumer")
if(NOT output STREQUAL "<A b=\"1\"><C>d</C></A>\n")
    message(FATAL_ERROR "unexpected output: ${output}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")

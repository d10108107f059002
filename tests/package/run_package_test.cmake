# Installs the build into a fresh prefix, builds the consumer project against it and runs it on a
# sample DAT file; the consumer must print the listing the sample writer expects.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}\n${out}\n${err}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(installed
    ${BINDIR}/quorvel-tools
    ${INCLUDEDIR}/quorvel/common/byte_cursor.hpp
    ${INCLUDEDIR}/quorvel/dat/dat_database.hpp
    ${LIBDIR}/cmake/quorvel/quorvelConfig.cmake
    ${LIBDIR}/cmake/quorvel/quorvelConfigVersion.cmake)
if(EXPECT_MAN_PAGE)
  list(APPEND installed ${MANDIR}/man1/quorvel-tools.1)
endif()
foreach(file IN LISTS installed)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

run(${SAMPLE} ${WORK_DIR}/sample.dat ${WORK_DIR}/expected.txt)
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_CXX_FLAGS=${CXX_FLAGS} -DCMAKE_EXE_LINKER_FLAGS=${CXX_FLAGS}
    -DCMAKE_PREFIX_PATH=${prefix} -DLISTING_DIR=${CONSUMER_DIR}/..)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)

execute_process(COMMAND ${WORK_DIR}/consumer/quorvel-consumer ${WORK_DIR}/sample.dat
                RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE err)
file(READ ${WORK_DIR}/expected.txt expected)
if(NOT status EQUAL 0 OR NOT listing STREQUAL expected)
  message(FATAL_ERROR "consumer status ${status}\n${err}\nprinted:\n${listing}\nexpected:\n${expected}")
endif()

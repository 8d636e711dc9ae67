# Installs the build into a scratch prefix and checks what a user gets there.
# cmake -DBUILD_DIR=... -DPREFIX=... -DCONFIG=... -DVERSION=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                        --config "${CONFIG}"
                RESULT_VARIABLE result OUTPUT_QUIET TIMEOUT 60)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file bin/talvex share/man/man1/talvex.1.gz share/doc/talvex/README.md
             share/doc/talvex/copyright share/doc/talvex/changelog.gz)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# Compressed with the most effort, and without a name or a time (gzip -9n), so
# that the same text always gives the same bytes.
foreach(file share/man/man1/talvex.1.gz share/doc/talvex/changelog.gz)
  file(READ "${PREFIX}/${file}" header LIMIT 10 HEX)
  if(NOT header STREQUAL "1f8b0800000000000203")
    message(FATAL_ERROR "${file} is not gzip -9n output: header ${header}")
  endif()
endforeach()

# With no arguments the program prints the banner and the usage and exits with 0.
execute_process(COMMAND "${PREFIX}/bin/talvex" INPUT_FILE /dev/null TIMEOUT 30
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result STREQUAL "0")
  message(FATAL_ERROR "installed talvex exited with ${result}")
endif()
string(FIND "${out}" "\n  Version ${VERSION} (Linux and Windows console)\n\n  Usage: TALVEX "
       found)
if(found EQUAL -1 OR NOT err STREQUAL "")
  message(FATAL_ERROR "unexpected output:\n${out}\nerrors:\n${err}")
endif()
file(REMOVE_RECURSE "${PREFIX}")

# Cross build for 64-bit Windows with Debian's mingw-w64 (posix-thread compilers,
# which GoogleTest's std::mutex needs). Tests run under wine through the
# emulator wrapper, with a wine prefix inside the build tree.
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TALVEX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALVEX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALVEX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TALVEX_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TALVEX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)

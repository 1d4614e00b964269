# Shared part of the MinGW-w64 toolchain files. The including file sets
# PELLIX_MINGW_TRIPLE and PELLIX_ARCH (x86 or x64) first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${PELLIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELLIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PELLIX_MINGW_TRIPLE}-windres)

# Our cross-built libjpeg-turbo and giflib live in build/deps/mingw-<arch>.
get_filename_component(_pellix_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(PELLIX_DEPS_PREFIX "${_pellix_root}/build/deps/mingw-${PELLIX_ARCH}")
set(CMAKE_FIND_ROOT_PATH /usr/${PELLIX_MINGW_TRIPLE} "${PELLIX_DEPS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)


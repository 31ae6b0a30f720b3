# Cross-compiling for Windows with Debian's mingw-w64 (posix threads model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_TRIPLE})
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

get_filename_component(_lite_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(MINGW_TRIPLE MATCHES "^x86_64")
  set(_lite_arch x86_64)
else()
  set(_lite_arch i686)
endif()
set(LITE_DEPS_PREFIX "${_lite_root}/build/deps/${_lite_arch}" CACHE PATH "Cross-built jansson and GoogleTest")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${LITE_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# wine64 runs both: a 32-bit program runs in its 64-bit prefix as on 64-bit
# Windows, once Debian's 32-bit Wine is installed beside it.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)

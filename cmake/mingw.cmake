# The mingw-w64 cross toolchain (posix threads) for the target that QMB_MINGW_TRIPLE names; included
# by mingw32.cmake and mingw64.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QMB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QMB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QMB_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QMB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Cross toolchain for the x86-64 Windows target. The shipped programs are the 32-bit ones; this
# build lets the Windows tests run under 64-bit Wine on machines that cannot execute 32-bit code.
set(QMB_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

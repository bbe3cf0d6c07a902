# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers (the posix-threads
# variant: std::thread and std::mutex need it). Used for Qt itself, QCustomPlot, GoogleTest and
# Tarvix, so that all of them agree on the compiler and its run-time.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARVIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVIX_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW sysroot and from the prefixes given on the command
# line (the cross-built Qt); programs (moc, rcc, uic) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${TARVIX_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

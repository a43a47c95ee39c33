# The shipping toolchain: MinGW-w64 with the win32 thread model. The posix
# compilers link winpthread, whose imports (GetTickCount64,
# AddVectoredExceptionHandler ...) Windows 98, Me and 2000 lack, so a
# program built with them does not start there. The program has one thread
# and needs no C++ threads.
set(ZR_MINGW_ARCH i686)
set(ZR_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

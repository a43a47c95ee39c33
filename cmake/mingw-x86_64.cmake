# MinGW-w64 with the posix thread model: the builds that carry the tests
# (GoogleTest needs std::mutex).
set(ZR_MINGW_ARCH x86_64)
set(ZR_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

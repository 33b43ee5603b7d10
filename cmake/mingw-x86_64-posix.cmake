# The Windows test program: GoogleTest needs std::mutex, which mingw-w64 has only in the posix
# thread model. It is never shipped, so its winpthreads imports do not matter.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-x86_64.cmake)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)

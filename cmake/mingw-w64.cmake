# Cross-building for 64-bit Windows with Debian's mingw-w64 -posix compilers (the win32
# thread model has no std::thread or std::mutex). Programs are linked -static, so they
# need no DLL beside them. MARLO_WINDOWS_DEPS names the prefix of scripts/windows-deps.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_HOST}-windres)

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MARLO_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_HOST})
if(MARLO_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${MARLO_WINDOWS_DEPS})
  set(ENV{PKG_CONFIG_LIBDIR} ${MARLO_WINDOWS_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static archives only: the program runs without a DLL beside it.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

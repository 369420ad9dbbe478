# Cross-builds tonemill.exe for 64-bit Windows with Debian's MinGW-w64
# compilers (package g++-mingw-w64-x86-64-posix), and runs the tests under
# Wine (package wine64):
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
# The -posix variants bring the threading that libstdc++ and GoogleTest expect.
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run under Wine through a small launcher written into the build
# directory: it keeps Wine's own diagnostics off standard error (the tests
# demand an empty one) and gives the build a Wine prefix of its own, created
# once, so that runs do not depend on whatever lies in $HOME/.wine.
# CMake also reads this file for its compiler checks in scratch directories;
# only the build directory proper needs the launcher.
if(NOT CMAKE_BINARY_DIR MATCHES "/CMakeFiles/")
  find_program(TONEMILL_WINE NAMES wine wine64 wine-stable)
  if(TONEMILL_WINE)
    set(wine_launcher ${CMAKE_BINARY_DIR}/wine-run)
    file(CONFIGURE OUTPUT ${wine_launcher} @ONLY CONTENT [=[
#!/bin/sh
# Runs a Windows program under Wine in this build's own prefix.
export WINEPREFIX='@CMAKE_BINARY_DIR@/wineprefix'
export WINEDEBUG=-all
# No installer dialogs for the .NET and HTML runtimes, which nothing here needs.
export WINEDLLOVERRIDES='mscoree,mshtml='
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # Two tests may start at once; the first one creates the prefix.
    mkdir -p "$WINEPREFIX"
    flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || { wineboot --init && wineserver --wait; } >/dev/null 2>&1'
fi
# Without a client Wine's server stops at once, and the next run pays some
# seconds to start it again: keep it for 15 seconds after the last run ends
# (a server that already runs for this prefix just says so).
wineserver -p15 >/dev/null 2>&1 || true
exec '@TONEMILL_WINE@' "$@"
]=])
    file(CHMOD ${wine_launcher} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
         WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${wine_launcher})
  endif()
endif()

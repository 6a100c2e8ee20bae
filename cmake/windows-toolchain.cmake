# Cross-building for x86_64 Windows with Debian's mingw-w64 (posix threads)
# against the static Qt that ../shared/tools/qt6-mingw installs. It lives in
# $QT6_MINGW_DIR, or /var/cache/qt6-mingw where the tool puts it by default;
# its own toolchain file does the work.
if(DEFINED ENV{QT6_MINGW_DIR} AND NOT "$ENV{QT6_MINGW_DIR}" STREQUAL "")
    set(_kestro_qt_mingw "$ENV{QT6_MINGW_DIR}")
else()
    set(_kestro_qt_mingw "/var/cache/qt6-mingw")
endif()
if(NOT EXISTS "${_kestro_qt_mingw}/mingw-w64-x86_64.cmake")
    message(FATAL_ERROR "No Qt for mingw in ${_kestro_qt_mingw}: run tools/install-deps-windows "
                        "(or ../shared/tools/qt6-mingw install), or set QT6_MINGW_DIR.")
endif()
include("${_kestro_qt_mingw}/mingw-w64-x86_64.cmake")

# Tests and the generated tools run through Wine; cmake and ctest start them
# with this in front.
find_program(KESTRO_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KESTRO_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tests/device/windows/wine-run"
        CACHE FILEPATH "runs a Windows program under Wine")
endif()

# One file per program: without -static, Wine (and a user's machine) would
# have to find libstdc++-6.dll and libwinpthread-1.dll beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

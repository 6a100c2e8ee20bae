# GoogleTest for the Windows cross-build, built from Debian's googletest
# sources: the system's libgtest is for Linux.
set(KESTRO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${KESTRO_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${KESTRO_GTEST_SOURCE}: install googletest")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${KESTRO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(_lib gtest gtest_main gmock gmock_main)
    # Its own sources are not held to our warning flags.
    target_compile_options(${_lib} PRIVATE -w)
    if(NOT TARGET GTest::${_lib})
        add_library(GTest::${_lib} ALIAS ${_lib})
    endif()
endforeach()

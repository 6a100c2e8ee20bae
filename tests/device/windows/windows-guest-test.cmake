# The backend under Wine inside hid-vm, against the guest kernel's HID stack.
# The board host runs there natively, so it is built for this machine, with
# its own compiler, beside the cross-build.
include(ExternalProject)
ExternalProject_Add(kestro_board_host
    SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/host
    BINARY_DIR ${CMAKE_CURRENT_BINARY_DIR}/host
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRO_VENDOR_ID=${KESTRO_VENDOR_ID}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
)
set(KESTRO_BOARD_HOST ${CMAKE_CURRENT_BINARY_DIR}/host/kestro_board_host
    CACHE INTERNAL "the board host, for every guest test under Wine")

add_executable(kestro_windows_kernel_tests
    ../backend_contract_test.cpp
    board_host_client.cpp
    windows_kernel_test.cpp
)
target_link_libraries(kestro_windows_kernel_tests PRIVATE
    kestro_device kestro_test_support GTest::gtest_main ws2_32)
add_dependencies(kestro_windows_kernel_tests kestro_board_host)

# The guest sees only the build folder of all this machine's /tmp: a checkout
# there would leave the guest half of guest-test out of its reach. Both
# scripts run from the build folder.
foreach(script guest-test wine-run)
    configure_file(${CMAKE_CURRENT_SOURCE_DIR}/${script} ${CMAKE_BINARY_DIR}/guest/${script}
                   COPYONLY)
endforeach()

# Registers a Windows test program to run in the guest under Wine, beside
# the board host, under the labels "kernel" and "wine". XVFB gives it an X
# display for Wine to draw its windows on.
function(kestro_add_wine_guest_test name target)
    cmake_parse_arguments(PARSE_ARGV 2 arg "XVFB" "" "")
    if(NOT EXISTS ${HID_VM})
        message(STATUS "hid-vm not found at ${HID_VM}: ${name} is not registered")
        return()
    endif()
    set(display)
    if(arg_XVFB)
        set(display --xvfb)
    endif()
    add_test(NAME ${name}
        COMMAND ${CMAKE_BINARY_DIR}/guest/guest-test ${display} ${HID_VM}
                ${KESTRO_BOARD_HOST} $<TARGET_FILE:${target}>)
    set_tests_properties(${name} PROPERTIES
        LABELS "kernel;wine"
        TIMEOUT 900
        ENVIRONMENT "HID_VM_RW=${CMAKE_BINARY_DIR}")
endfunction()

kestro_add_wine_guest_test(windows_kernel kestro_windows_kernel_tests)

# The emulated boards: uhid, configfs and gadgetfs USB gadgets, the firmware
# that answers them. Included by the tests and by the board host, which
# builds apart from the program (for the build machine, beside a Windows
# cross-build) and so brings the few device sources the boards use itself.
set(_kestro_root ${CMAKE_CURRENT_LIST_DIR}/../..)
set(_kestro_boards ${_kestro_root}/tests/device/linux)
add_library(kestro_test_boards STATIC
    ${_kestro_boards}/firmware_board.cpp
    ${_kestro_boards}/gadgetfs_board.cpp
    ${_kestro_boards}/hidraw_nodes.cpp
    ${_kestro_boards}/local_boards.cpp
    ${_kestro_boards}/uhid_board.cpp
    ${_kestro_boards}/usb_gadget.cpp
)
target_include_directories(kestro_test_boards PUBLIC ${_kestro_boards} ${_kestro_root})
find_package(Threads REQUIRED)
# The boards find their nodes through udev, as the backend does.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBUDEV REQUIRED IMPORTED_TARGET libudev)
target_link_libraries(kestro_test_boards PUBLIC Threads::Threads PkgConfig::LIBUDEV)
if(TARGET kestro_test_support)
    target_link_libraries(kestro_test_boards PUBLIC kestro_test_support)
endif()
if(TARGET kestro_device)
    target_link_libraries(kestro_test_boards PUBLIC kestro_device)
else()
    configure_file(${_kestro_root}/device/kestro_ids.h.in
                   ${CMAKE_CURRENT_BINARY_DIR}/kestro_ids.h @ONLY)
    target_sources(kestro_test_boards PRIVATE
        ${_kestro_root}/device/linux/sysfs.cpp
        ${_kestro_root}/device/linux/udev_walk.cpp
        ${_kestro_root}/device/sim/sim_firmware.cpp)
    target_include_directories(kestro_test_boards PUBLIC
        ${_kestro_root}/device ${CMAKE_CURRENT_BINARY_DIR})
endif()

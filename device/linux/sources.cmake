# Linux backend: hidraw, udev and usbfs. Included by device/CMakeLists.txt.
target_sources(kestro_device PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/drain_pace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/input_channel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linux_hid_platform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/report_descriptor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/report_ring.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sysfs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/system_platform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/udev_walk.cpp
    ${CMAKE_CURRENT_LIST_DIR}/udev_monitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/usb_string.cpp
)
# Each open read handle drains its node on a thread of its own.
find_package(Threads REQUIRED)
target_link_libraries(kestro_device PRIVATE Threads::Threads)
# The walk from a hidraw node up to its USB device, and the hot-plug news,
# come from udev (Debian's libudev-dev).
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBUDEV REQUIRED IMPORTED_TARGET libudev)
target_link_libraries(kestro_device PRIVATE PkgConfig::LIBUDEV)

# Linux backend: hidraw, sysfs and usbfs. Included by device/CMakeLists.txt.
target_sources(kestro_device PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/linux_hid_platform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/report_descriptor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sysfs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/system_platform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/usb_string.cpp
)

# Linux backend: hidraw, sysfs and usbfs. Included by device/CMakeLists.txt.
target_sources(kestro_device PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/system_platform.cpp
)

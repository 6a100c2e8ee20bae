# Windows backend: SetupAPI and hid.dll. Included by device/CMakeLists.txt.
target_sources(kestro_device PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/device_notification.cpp
    ${CMAKE_CURRENT_LIST_DIR}/overlapped_port.cpp
    ${CMAKE_CURRENT_LIST_DIR}/system_platform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows_hid_platform.cpp
)
target_link_libraries(kestro_device PUBLIC hid setupapi user32)

# The Windows side of a program: the version record and the icon, the GUI
# subsystem (no console window), and the offscreen platform beside the
# windows one, so that it also starts headless (-platform offscreen).
function(kestro_windows_program target)
    set(KESTRO_RC_FILE "${target}.exe")
    set(KESTRO_RC_ICON "${PROJECT_SOURCE_DIR}/packaging/windows/kestro-setup.ico")
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
endfunction()

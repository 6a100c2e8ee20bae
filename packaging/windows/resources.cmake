# The Windows side of a program: the version record, the icon and the
# application manifest, which every .exe we ship carries.
function(kestro_windows_resources target)
    set(KESTRO_RC_FILE "${target}.exe")
    set(KESTRO_RC_NAME "${target}")
    set(KESTRO_RC_ICON "${PROJECT_SOURCE_DIR}/packaging/windows/kestro-setup.ico")
    set(KESTRO_RC_MANIFEST "${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest")
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/app.manifest.in ${KESTRO_RC_MANIFEST} @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    # windres does not see the manifest as a dependency of the .rc file.
    set_source_files_properties(${rc} TARGET_DIRECTORY ${target}
                                PROPERTIES OBJECT_DEPENDS ${KESTRO_RC_MANIFEST})
endfunction()

# A window program besides: the GUI subsystem (no console window), and the
# offscreen platform beside the windows one, so that it also starts headless
# (-platform offscreen).
function(kestro_windows_program target)
    kestro_windows_resources(${target})
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
endfunction()

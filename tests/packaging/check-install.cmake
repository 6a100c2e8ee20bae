file(REMOVE_RECURSE "${STAGE}")
# DESTDIR rather than --prefix: an absolute KESTRO_UDEV_RULES_DIR must land in
# the stage too, not in the real /etc of the machine running the tests.
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE}
                        ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix /usr
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(id io.kestro.KestroSetup)
set(expected
    "${BINDIR}/kestro-setup"
    "${BINDIR}/kestro-demo"
    "${BINDIR}/kestroctl"
    "${MANDIR}/man1/kestroctl.1.gz"
    "${MANDIR}/man1/kestro-setup.1.gz"
    "${MANDIR}/man1/kestro-demo.1.gz"
    "${DATADIR}/doc/kestro-setup/copyright"
    "${DATADIR}/doc/kestro-setup/changelog.Debian.gz"
    "${DATADIR}/bash-completion/completions/kestroctl"
    "${UDEV_DIR}/60-kestro-setup.rules"
    "${DATADIR}/applications/${id}.desktop"
    "${DATADIR}/metainfo/${id}.metainfo.xml"
    "${DATADIR}/icons/hicolor/scalable/apps/${id}.svg")
foreach(size 16 32 48 256)
    list(APPEND expected "${DATADIR}/icons/hicolor/${size}x${size}/apps/${id}.png")
endforeach()

set(missing "")
foreach(path IN LISTS expected)
    if(IS_ABSOLUTE "${path}")
        set(full "${STAGE}${path}")
    else()
        set(full "${STAGE}/usr/${path}")
    endif()
    if(NOT EXISTS "${full}")
        list(APPEND missing "${path}")
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "not installed: ${missing}")
endif()

# validate-tree also cross-checks the metainfo against the installed launcher
# and icons, which validating each file alone does not.
if(APPSTREAMCLI)
    execute_process(COMMAND ${APPSTREAMCLI} validate-tree --no-net "${STAGE}"
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "appstreamcli validate-tree failed: ${rc}")
    endif()
endif()

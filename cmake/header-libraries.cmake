# CLI11 and nlohmann-json: header-only libraries from Debian (libcli11-dev,
# nlohmann-json3-dev), used by the native and the mingw build alike.
if(CMAKE_CROSSCOMPILING)
    # Their CMake packages point at the host's /usr/include, whose C headers
    # must never shadow the cross compiler's: only these two directories are
    # offered to it, through links in the build tree.
    set(_kestro_host_headers "${CMAKE_BINARY_DIR}/host-headers")
    foreach(_dir CLI nlohmann)
        find_path(_kestro_${_dir}_root ${_dir} PATHS /usr/include NO_DEFAULT_PATH
                  NO_CMAKE_FIND_ROOT_PATH)
        if(NOT _kestro_${_dir}_root)
            message(FATAL_ERROR "${_dir}/ not found in /usr/include: run tools/install-deps")
        endif()
        file(MAKE_DIRECTORY "${_kestro_host_headers}")
        file(CREATE_LINK "${_kestro_${_dir}_root}/${_dir}" "${_kestro_host_headers}/${_dir}"
             SYMBOLIC)
    endforeach()
    foreach(_target CLI11::CLI11 nlohmann_json::nlohmann_json)
        if(NOT TARGET ${_target})
            add_library(${_target} INTERFACE IMPORTED)
            target_include_directories(${_target} SYSTEM INTERFACE "${_kestro_host_headers}")
        endif()
    endforeach()
else()
    find_package(CLI11 2.1 CONFIG REQUIRED)
    find_package(nlohmann_json 3.11 CONFIG REQUIRED)
endif()

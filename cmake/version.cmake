# The version is typed once, in project(); code reads it from this header,
# packaging files take PROJECT_VERSION directly.
configure_file(${CMAKE_CURRENT_LIST_DIR}/kestro_version.h.in
               ${PROJECT_BINARY_DIR}/generated/kestro_version.h @ONLY)
include_directories(${PROJECT_BINARY_DIR}/generated)

# Makes a man page as the package ships it: the version in its title line
# taken from project(), gzip'ed at the highest level without a time stamp.
#   cmake -DIN=page.1[.in] -DOUT=page.1.gz -DVERSION=1.10 -P compress.cmake
file(READ "${IN}" page)
if(IN MATCHES "\\.in$")
    set(PROJECT_VERSION "${VERSION}")
    string(CONFIGURE "${page}" page @ONLY)
endif()
# .TH NAME SECTION DATE SOURCE MANUAL: SOURCE names the package and its version.
string(REGEX REPLACE "(\n|^)(\\.TH [^\n]*)\"Kestro Setup[^\"]*\"" "\\1\\2\"Kestro Setup ${VERSION}\"" page "${page}")
get_filename_component(name "${OUT}" NAME_WE)
set(plain "${OUT}.tmp/${name}.1")
file(WRITE "${plain}" "${page}")
execute_process(COMMAND gzip -9 -n -c "${plain}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE rc)
file(REMOVE_RECURSE "${OUT}.tmp")
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip ${plain} failed: ${rc}")
endif()

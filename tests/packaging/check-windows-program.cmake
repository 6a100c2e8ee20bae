# What a Windows program of ours must be: one file that imports only DLLs
# every Windows has, with the version record and all four icon sizes.
#   cmake -DPROGRAM=x.exe -DOBJDUMP=... -DICON=kestro-setup.ico -DICONS=<hicolor dir>
#         -DVERSION=1.10 -P check-windows-program.cmake
set(failures "")

# Strings of the version record are UTF-16LE in the file.
function(utf16_hex text out)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
    set(${out} "${hex}" PARENT_SCOPE)
endfunction()

file(READ "${PROGRAM}" program HEX)
foreach(text "Kestro Setup" "Kestro Config - Ver ${VERSION}" "Kestro")
    utf16_hex("${text}" wanted)
    string(FIND "${program}" "${wanted}" at)
    if(at EQUAL -1)
        list(APPEND failures "no \"${text}\" in the version record")
    endif()
endforeach()
foreach(field FileVersion ProductVersion ProductName FileDescription InternalName)
    utf16_hex("${field}" wanted)
    string(FIND "${program}" "${wanted}" at)
    if(at EQUAL -1)
        list(APPEND failures "no ${field} in the version record")
    endif()
endforeach()

# Every size is in the icon file, and the icon file is in the program.
file(READ "${ICON}" icon HEX)
string(FIND "${program}" "${icon}" at)
foreach(size 16 32 48 256)
    file(READ "${ICONS}/${size}x${size}/apps/io.kestro.KestroSetup.png" png HEX)
    string(FIND "${icon}" "${png}" in_icon)
    string(FIND "${program}" "${png}" in_program)
    if(in_icon EQUAL -1)
        list(APPEND failures "the ${size} px icon is not in ${ICON}: run packaging/windows/make-ico.py")
    endif()
    if(in_program EQUAL -1)
        list(APPEND failures "the ${size} px icon is not in the program")
    endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p "${PROGRAM}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    list(APPEND failures "${OBJDUMP} -p failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${dump}")
foreach(line ${dlls})
    string(REPLACE "DLL Name: " "" dll "${line}")
    string(TOLOWER "${dll}" dll)
    # No C++ runtime, no Qt, no winpthread: those would have to lie beside it.
    if(dll MATCHES "^(libstdc|libgcc|libwinpthread|qt6)")
        list(APPEND failures "imports ${dll}, which no Windows has")
    endif()
endforeach()

if(failures)
    string(REPLACE ";" "\n  " failures "${failures}")
    message(FATAL_ERROR "${PROGRAM}:\n  ${failures}")
endif()
message(STATUS "${PROGRAM}: version record, icon and imports as they should be")

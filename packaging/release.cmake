# The release this tree builds. Its version is project()'s; the date and the
# note below feed the AppStream <releases> list and the Debian changelog, and
# change together with the version.
set(KESTRO_RELEASE_DATE "2026-12-09")
set(KESTRO_RELEASE_NOTE "Configuration and live test of Kestro boards.")

# The Debian changelog wants the date in RFC 2822 form.
execute_process(COMMAND date -u -R -d "${KESTRO_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE KESTRO_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "KESTRO_RELEASE_DATE '${KESTRO_RELEASE_DATE}' is not a date")
endif()

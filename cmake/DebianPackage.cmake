# Pieces both .debs share: the maintainer, the copyright file and gzipped
# documents.

set(CPACK_PACKAGE_CONTACT "The Vantrel developers <games@vantrel.io>")
# The project's web site, on the domain of the address above: the packages'
# Homepage field, the metainfo's homepage (which AppStream 1.0 requires) and
# where software centres fetch the screenshot from. A build published
# elsewhere sets it to its own.
set(VANTREL_HOMEPAGE_URL "https://vantrel.io/" CACHE STRING "The project's home page")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VANTREL_HOMEPAGE_URL})

# The copyright file in the machine-readable format, written to `output`, its
# licence text taken from LICENSE so the two cannot disagree: the text after
# the copyright line, each line indented by one space and blank lines written
# as " .".
function(vantrel_debian_copyright output)
    file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
    string(REGEX REPLACE "^.*Copyright[^\n]*\n\n+" "" license "${license}")
    string(REGEX REPLACE "\n+$" "" license "${license}")
    string(REPLACE "\n\n" "\n.\n" license "${license}")
    string(REPLACE "\n" "\n " VANTREL_LICENSE_TEXT " ${license}")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/copyright.in ${output} @ONLY)
endfunction()

# Compresses each file of the current binary folder in place, without a name
# or a time in the gzip header, so that the package does not change with the
# build.
function(vantrel_debian_gzip)
    find_program(GZIP_EXECUTABLE gzip REQUIRED)
    foreach(file IN LISTS ARGN)
        execute_process(COMMAND ${GZIP_EXECUTABLE} -9nf ${file}
                        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endfunction()

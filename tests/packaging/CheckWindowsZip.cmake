# Fails unless ZIP holds exactly Vantrel.exe, README.txt and LICENSE.txt, the
# exe inside is byte for byte the one just built (EXE), the README is the
# Windows text and the licence is the project's (LICENSE), both with Windows
# line ends.
set(out ${CMAKE_CURRENT_BINARY_DIR}/windows-zip-check)
file(REMOVE_RECURSE ${out})
file(MAKE_DIRECTORY ${out})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP}
                OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" listing "${listing}")
list(SORT listing)
if(NOT listing STREQUAL "LICENSE.txt;README.txt;Vantrel.exe")
    message(FATAL_ERROR
        "the zip holds [${listing}], not LICENSE.txt, README.txt and Vantrel.exe")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP}
                WORKING_DIRECTORY ${out} COMMAND_ERROR_IS_FATAL ANY)
file(SHA256 ${EXE} built)
file(SHA256 ${out}/Vantrel.exe packed)
if(NOT built STREQUAL packed)
    message(FATAL_ERROR "the zip's Vantrel.exe is not the one just built")
endif()
file(READ ${out}/README.txt readme)
# file(READ) drops carriage returns, so the line ends are looked for in hex.
file(READ ${out}/README.txt readme_hex HEX)
string(FIND "${readme_hex}" "0d0a" crlf)
if(NOT readme MATCHES "double-click Vantrel.exe" OR crlf EQUAL -1)
    message(FATAL_ERROR "README.txt is not the Windows README with Windows line ends")
endif()
file(READ ${out}/LICENSE.txt licence)
string(REPLACE "\r\n" "\n" licence "${licence}")
file(READ ${LICENSE} original)
file(READ ${out}/LICENSE.txt licence_hex HEX)
string(FIND "${licence_hex}" "0d0a" crlf)
if(NOT licence STREQUAL original OR crlf EQUAL -1)
    message(FATAL_ERROR "LICENSE.txt is not the project's licence with Windows line ends")
endif()
file(SIZE ${ZIP} size)
message(STATUS "${ZIP}: ${size} bytes")

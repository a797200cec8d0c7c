# Writes a page from shell.html: cmake -DSHELL=... -DOUT=... -DSPLASH=... -DICON=...
# [-DINLINE=ON] [-DSCRIPT=vantrel.js] -P MakePage.cmake
#
# With INLINE the pictures become data: URLs, for the single file that must
# work from disk; without it the page names the copies beside it, splash.png
# and vantrel.png. With SCRIPT
# the placeholder for the module becomes a tag that loads it; without it the
# placeholder stays for emcc to fill.
file(READ "${SHELL}" page)

function(picture_url path name out)
    if(INLINE)
        execute_process(COMMAND base64 -w0 "${path}" OUTPUT_VARIABLE data
                        COMMAND_ERROR_IS_FATAL ANY)
        set(${out} "data:image/png;base64,${data}" PARENT_SCOPE)
    else()
        set(${out} "${name}" PARENT_SCOPE)
    endif()
endfunction()

picture_url("${SPLASH}" splash.png splash_url)
picture_url("${ICON}" vantrel.png icon_url)
string(REPLACE "@SPLASH_SRC@" "${splash_url}" page "${page}")
string(REPLACE "@ICON_SRC@" "${icon_url}" page "${page}")
if(SCRIPT)
    string(REPLACE "{{{ SCRIPT }}}" "<script src=\"${SCRIPT}\"></script>" page "${page}")
endif()
file(WRITE "${OUT}" "${page}")

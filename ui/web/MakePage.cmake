# Writes the page from its source in ui/web:
#   cmake -DIN=... -DOUT=... -DFIGURES=session/Figures.h [-DPAGE_SCRIPT=page.js]
#         [-DSPLASH=... -DICON=... [-DINLINE=ON] [-DSCRIPT=<the module's vantrel.js>]] -P MakePage.cmake
#
# PAGE_SCRIPT's text goes into the page at {{{ PAGE }}}, as the page's own
# script.
# Each @kName@ becomes the figure `constexpr int kName = ...;` of Figures.h,
# so the page and the desktop windows share one set of sizes and times; a
# name Figures.h does not give a number fails the build.
#
# For the page, @SPLASH_SRC@ and @ICON_SRC@ name the pictures: with INLINE as
# data: URLs, for the single file that must work from disk, else the copies
# beside it, splash.png and vantrel.png. With SCRIPT the page is the served
# one: the module's script goes inside it, after the page's own, and its head
# asks for the wasm and names the manifest and the home-screen icon; without
# it the module's placeholder stays for emcc to fill.
file(READ "${IN}" text)
# The page's own script goes inside the page, ahead of the module's.
if(PAGE_SCRIPT)
    file(READ "${PAGE_SCRIPT}" script)
    # Its comments are for the source: the page leaves out whole-line ones.
    string(REGEX REPLACE "\n[ ]*//[^\n]*" "" script "${script}")
    string(REPLACE "{{{ PAGE }}}" "<script>\n${script}</script>" text "${text}")
endif()

file(STRINGS "${FIGURES}" figures REGEX "^constexpr int k[A-Za-z]+ = [0-9]+;$")
foreach(figure IN LISTS figures)
    string(REGEX MATCH "(k[A-Za-z]+) = ([0-9]+)" _ "${figure}")
    set(${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
endforeach()
string(REGEX MATCHALL "@k[A-Za-z]+@" used "${text}")
foreach(name IN LISTS used)
    string(REPLACE "@" "" name "${name}")
    if(NOT DEFINED ${name})
        message(FATAL_ERROR "${IN} uses ${name}, which ${FIGURES} gives no number")
    endif()
endforeach()

function(picture_url path name out)
    if(INLINE)
        execute_process(COMMAND base64 -w0 "${path}" OUTPUT_VARIABLE data
                        COMMAND_ERROR_IS_FATAL ANY)
        set(${out} "data:image/png;base64,${data}" PARENT_SCOPE)
    else()
        set(${out} "${name}" PARENT_SCOPE)
    endif()
endfunction()

if(SPLASH)
    picture_url("${SPLASH}" splash.png SPLASH_SRC)
    picture_url("${ICON}" vantrel.png ICON_SRC)
endif()
string(CONFIGURE "${text}" text @ONLY)
if(SCRIPT)
    # The served page: installable, with the wasm asked for at once, so that
    # it loads while the page is parsed. The module's script (a few KB) comes
    # inside the page, after the page's own: as a file of its own, a first
    # visit's request for it waited in the browser, and the module started
    # some 20 ms later. It goes in after the figures are filled in, as its
    # text is not ours.
    string(REPLACE "<!--SERVED-->" "<link rel=\"manifest\" href=\"vantrel.webmanifest\">
<link rel=\"apple-touch-icon\" href=\"vantrel-touch-180.png\">
<link rel=\"preload\" href=\"vantrel.wasm\" as=\"fetch\" type=\"application/wasm\" crossorigin>" text "${text}")
    file(READ "${SCRIPT}" module)
    string(REPLACE "{{{ SCRIPT }}}" "<script>\n${module}</script>" text "${text}")
else()
    string(REPLACE "<!--SERVED-->\n" "" text "${text}")
endif()
file(WRITE "${OUT}" "${text}")

# Writes the service worker from its source in ui/web:
#   cmake -DIN=sw.js -DOUT=.../sw.js -DDIR=<web folder> -DFILES="a;b;..." -P MakeWorker.cmake
#
# @FILES@ becomes the list of the game's files to keep (with "./", the folder
# itself, which is how a player opens it), and @BUILD@ a digest of their
# contents: a build that changes any of them gets a worker of its own, which
# the browser installs in place of the last one.
file(READ "${IN}" text)
set(list "'./'")
set(contents "")
foreach(name IN LISTS FILES)
    file(SHA256 "${DIR}/${name}" digest)
    string(APPEND contents "${name} ${digest}\n")
    string(APPEND list ", '${name}'")
endforeach()
string(SHA256 BUILD "${contents}")
string(SUBSTRING "${BUILD}" 0 16 BUILD)
set(FILES "${list}")
string(CONFIGURE "${text}" text @ONLY)
file(WRITE "${OUT}" "${text}")

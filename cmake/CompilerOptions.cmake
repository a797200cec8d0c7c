# Warning and sanitizer flags for everything built in this tree.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-Wall -Wextra -Wpedantic)
    if(VANTREL_WERROR)
        add_compile_options(-Werror)
    endif()
    if(VANTREL_SANITIZE)
        add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                            -fno-omit-frame-pointer)
        add_link_options(-fsanitize=address,undefined)
    endif()
endif()

# At -Os, MinGW's GCC 16 has calls to std::string's move constructor go to the
# one constructor it folds the complete and base ones into, a symbol its own
# static libstdc++ lacks ("undefined reference to basic_string(basic_string&&)"
# at the link, on Debian unstable). Kept apart, the constructors link with
# every GCC; Vantrel.exe is no larger for it (230400 bytes against 230912 with
# GCC 12).
if(MINGW AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-fno-declone-ctor-dtor)
endif()

# Fuzzing builds instrument everything for libFuzzer's coverage feedback and
# run it under the sanitizers; only the fuzz targets link libFuzzer's main.
if(VANTREL_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VANTREL_FUZZ needs clang (libFuzzer)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

# The browser build downloads the whole program with the page, so it is built
# for size: the code neither throws nor asks for a type at run time, so the
# support for both stays out, and the optimiser sees the whole program at
# the link.
if(EMSCRIPTEN)
    add_compile_options(-fno-exceptions -fno-rtti -flto)
    add_link_options(-fno-exceptions -fno-rtti -flto)
endif()

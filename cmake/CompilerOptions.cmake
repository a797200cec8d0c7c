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

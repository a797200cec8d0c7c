# The core (rules, key commands, news, session) must build with nothing but
# the C++ standard library, so that every front-end can take it as it is and
# the tests can link it alone. Linking no toolkit catches a stray Qt include;
# this also catches an operating system's or a browser's header, which every
# compiler would otherwise find: any angle-bracket include must name a
# standard header (lower-case, no dot, no folder), and any quoted include
# must be a header of the core itself.
function(vantrel_core_sources target)
    get_target_property(sources ${target} SOURCES)
    get_target_property(dir ${target} SOURCE_DIR)
    set(core_dirs game input news session)
    foreach(source IN LISTS sources)
        if(NOT IS_ABSOLUTE ${source})
            set(source ${dir}/${source})
        endif()
        if(NOT EXISTS ${source})
            continue() # generated, from a template that is checked in its place
        endif()
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            if(line MATCHES "<([^>]*)>")
                set(header ${CMAKE_MATCH_1})
                if(NOT header MATCHES "^[a-z_]+$")
                    message(FATAL_ERROR "${source}: the core may use only standard headers, "
                                        "not <${header}>")
                endif()
            elseif(line MATCHES "\"([^\"]*)\"")
                set(found OFF)
                foreach(core IN LISTS core_dirs)
                    if(EXISTS ${PROJECT_SOURCE_DIR}/${core}/${CMAKE_MATCH_1}
                       OR EXISTS ${PROJECT_SOURCE_DIR}/${core}/${CMAKE_MATCH_1}.in)
                        set(found ON)
                    endif()
                endforeach()
                if(NOT found)
                    message(FATAL_ERROR "${source}: \"${CMAKE_MATCH_1}\" is not a header of the core")
                endif()
            endif()
        endforeach()
    endforeach()
endfunction()

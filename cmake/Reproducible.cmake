# Two builds of the same commit give the same program and the same packages,
# whatever folder they run in and whenever they run.
#
# VANTREL_SOURCE_DATE_EPOCH is the one time stamp that goes into anything
# built: SOURCE_DATE_EPOCH from the environment when it is set, otherwise the
# time of the last commit, so that nobody has to set anything. Outside a git
# checkout, and with no SOURCE_DATE_EPOCH, it is empty and the tools stamp
# the current time.
set(VANTREL_SOURCE_DATE_EPOCH "")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(VANTREL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
    find_package(Git QUIET)
    if(GIT_FOUND)
        # A clone made by one user and built by another (sudo ./test.sh, a
        # container's root) is one git would otherwise refuse to read.
        set(git ${GIT_EXECUTABLE} -c safe.directory=${PROJECT_SOURCE_DIR})
        execute_process(COMMAND ${git} log -1 --format=%ct
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE VANTREL_SOURCE_DATE_EPOCH
                        OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE git_status
                        ERROR_QUIET)
        if(NOT git_status EQUAL 0)
            set(VANTREL_SOURCE_DATE_EPOCH "")
        endif()
        # A new commit changes the time stamp, so it reconfigures the build.
        execute_process(COMMAND ${git} rev-parse --absolute-git-dir
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE git_dir
                        OUTPUT_STRIP_TRAILING_WHITESPACE
                        ERROR_QUIET)
        if(git_dir AND EXISTS "${git_dir}/logs/HEAD")
            set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND
                         PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_dir}/logs/HEAD")
        endif()
    endif()
endif()
if(VANTREL_SOURCE_DATE_EPOCH AND NOT VANTREL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds, not "
                        "'${VANTREL_SOURCE_DATE_EPOCH}'")
endif()

if(VANTREL_SOURCE_DATE_EPOCH)
    # Tools run during the build (the resource compiler, which stamps each
    # embedded file's modification time) see the same time stamp.
    set_property(GLOBAL PROPERTY RULE_LAUNCH_CUSTOM
                 "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VANTREL_SOURCE_DATE_EPOCH}")
else()
    message(STATUS "No commit time and no SOURCE_DATE_EPOCH: builds carry the current time")
endif()

# Debug information and assertion messages name the sources relative to the
# tree, not by the folder the build happened to run in. The build folder is
# mapped last, so that it wins when it lies inside the source tree.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                        -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
endif()

# Without this, moc's output includes each header by a path relative to the
# build folder, which the debug information keeps; with it, by the header's
# name, found on the include path like any other.
set(CMAKE_AUTOMOC_PATH_PREFIX ON)

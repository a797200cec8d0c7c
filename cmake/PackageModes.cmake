# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) on the staged files, before they are
# packed. CPack makes the staging folders with the builder's umask, so under a
# private umask (077) a .deb would carry folders only root may enter: once
# installed, nobody else could read the manual page or the copyright. The
# modes every Debian package has are set here instead: folders and programs
# 0755, other files 0644.
execute_process(COMMAND chmod -R u+rwX,go+rX,go-w "${CPACK_TEMPORARY_INSTALL_DIRECTORY}"
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "could not set the modes of the staged files in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()

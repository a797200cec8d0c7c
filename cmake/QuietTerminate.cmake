# vantrel_quiet_terminate(TARGET): for a program that carries the C++ runtime
# in its file, the runtime's verbose terminate handler makes way for one that
# only ends the program (ui/Terminate.cpp), and with it the demangler and
# number formatting only it needs.
function(vantrel_quiet_terminate target)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/ui/Terminate.cpp)
    target_link_options(${target} PRIVATE
        LINKER:--wrap=_ZN9__gnu_cxx27__verbose_terminate_handlerEv)
endfunction()

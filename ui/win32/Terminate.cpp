#include <cstdlib>

// What the program does on an error it cannot recover from: end at once.
//
// The C++ runtime's own handler first writes the failed exception's type to
// standard error, and to spell the type it links a demangler and the C
// library's number formatting: about 70 KB of the program's file. A Windows
// program has no console to show that line on, and the end is the same
// abort() either way. The linker points the runtime at this handler instead
// (--wrap, in CMakeLists.txt), so the runtime's is never linked.
extern "C" [[noreturn]] void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() {
    std::abort();
}

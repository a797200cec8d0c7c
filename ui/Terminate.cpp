#include <cstdlib>

// What a program does on an error it cannot recover from: end at once.
//
// The C++ runtime's own handler first writes the failed exception's type to
// standard error, and to spell the type it links a demangler and the C
// library's number formatting: about 50 to 70 KB of a program that carries
// the runtime in its file. Neither of the programs that do can show that
// line: a Windows program has no console, and the terminal program's line
// would land on its full-screen display, which the crash handler clears on
// its way out. The end is the same abort() either way. The linker points the
// runtime at this handler instead (--wrap, see cmake/QuietTerminate.cmake),
// so the runtime's is never linked.
extern "C" [[noreturn]] void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() {
    std::abort();
}

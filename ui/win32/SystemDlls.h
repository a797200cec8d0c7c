#pragma once

#include <windows.h>

#include <string_view>

// Functions of Windows DLLs that the program does not import. Importing them
// would add DLLs to the file's import table (the program relies only on the
// five that every Windows installation has), or stop it from starting on a
// Windows too old to have the function. So they are looked up when first
// needed, and a missing one only leaves out what it was for.

// The function `name` of the DLL `dll`, loaded from the system folder (never
// from the program's own folder, where a stray DLL of that name could lie),
// or null when either is missing.
FARPROC systemFunction(const char* dll, const char* name);

template <class Function> Function systemFunction(const char* dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(systemFunction(dll, name)));
}

// Makes this thread a COM apartment, once: the accessibility objects are COM
// objects that screen readers call from their own processes.
void joinComApartment();

// A COM string of `text` (UTF-8), which the receiver frees; null when
// oleaut32.dll is missing.
BSTR allocComString(std::string_view text);
void freeComString(BSTR text);

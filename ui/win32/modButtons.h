#pragma once

// The common-controls entry point that the main window calls once when it is
// created. It is imported from comctl32.dll at load time, so a system without
// it refuses to start the program with its own error message.
extern "C" __declspec(dllimport) void __stdcall InitCommonControls(void);

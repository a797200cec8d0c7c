#pragma once

// Resource numbers shared by Vantrel.rc and the code. The icon has the lowest
// number of all icons, so Explorer shows it as the program's icon.
#define IDI_VANTREL 1
#define IDB_SPLASH 101

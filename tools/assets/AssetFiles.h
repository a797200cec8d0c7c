#pragma once

#include "ImageFiles.h"

#include <string>
#include <vector>

// One file of the assets directory, drawn and encoded in memory.
struct AssetFile {
    std::string name;
    Bytes bytes;
};

// The splash picture, the program icon for Windows and the same icon as PNG
// for the window title bars of other platforms, in that order; then the icon
// enlarged to 64, 128 and 256 pixels for desktop icon themes; last the
// splash picture again as PNG, for the browser build.
std::vector<AssetFile> drawAssetFiles();

#include "AssetFiles.h"

#include "IconArt.h"
#include "SplashArt.h"

std::vector<AssetFile> drawAssetFiles() {
    const Image splash = drawSplash();
    const Image icon = drawIcon();
    std::vector<AssetFile> files = {
        {"splash.bmp", encodeBmp(splash)},
        {"vantrel.ico", encodeIco(icon)},
        {"vantrel.png", encodePng(icon)},
    };
    // Desktop icon themes want larger sizes; these are the same pixels blown
    // up exactly rather than redrawn, so every size shows the same picture.
    for (int factor : {2, 4, 8}) {
        const int size = icon.width() * factor;
        files.push_back(
            {"vantrel-" + std::to_string(size) + ".png", encodePng(icon.enlarged(factor))});
    }
    // Browsers show PNG, not bitmaps: the same title picture for the web build.
    files.push_back({"splash.png", encodePng(splash)});
    return files;
}

#include "AssetFiles.h"

#include "IconArt.h"
#include "SplashArt.h"

std::vector<AssetFile> drawAssetFiles() {
    const Image icon = drawIcon();
    return {
        {"splash.bmp", encodeBmp(drawSplash())},
        {"vantrel.ico", encodeIco(icon)},
        {"vantrel.png", encodePng(icon)},
    };
}

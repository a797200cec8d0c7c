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
    // Browsers show PNG, not bitmaps: the same title picture for the web build,
    // and the icons an installed web app asks for. A launcher may cut its
    // icon to a circle (the "maskable" one, whose picture stays inside the
    // middle 80 %) or round its corners (a phone's home screen), so those
    // two keep the picture clear of the edges on the icon's own black.
    files.push_back({"splash.png", encodePng(splash)});
    files.push_back({"vantrel-192.png", encodePng(icon.enlarged(6))});
    files.push_back({"vantrel-512.png", encodePng(icon.enlarged(16))});
    files.push_back({"vantrel-maskable-512.png", encodePng(icon.enlarged(9).centredOn(512))});
    files.push_back({"vantrel-touch-180.png", encodePng(icon.enlarged(5).centredOn(180))});
    return files;
}

// vantrel-pack-splash BITMAP SOURCE: writes the C++ source that carries the
// splash picture in vantrel-term, in the form SplashRuns.h describes, from
// the committed 24-bit bitmap. Run by the build; fails on a bitmap of
// another size or format.

#include "Figures.h"
#include "SplashRuns.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// The palette: ten greens from black to full green, and six lighter greens
// for the highlights where the letters catch the light, as the title's relief
// draws them (red and blue equal, green full).
std::array<std::uint32_t, kSplashPaletteSize> palette() {
    std::array<std::uint32_t, kSplashPaletteSize> colours{};
    for (int i = 0; i < 10; ++i) {
        colours[std::size_t(i)] = std::uint32_t(i * 255 / 9) << 8;
    }
    for (int i = 1; i <= 6; ++i) {
        const std::uint32_t light = std::uint32_t(32 * i);
        colours[std::size_t(9 + i)] = light << 16 | 0xFF00 | light;
    }
    return colours;
}

int channel(std::uint32_t rgb, int shift) {
    return int(rgb >> shift & 0xFF);
}

int nearest(const std::array<std::uint32_t, kSplashPaletteSize>& colours, std::uint32_t rgb) {
    int best = 0;
    int bestDistance = 0;
    for (int i = 0; i < kSplashPaletteSize; ++i) {
        int distance = 0;
        for (int shift : {0, 8, 16}) {
            const int d = channel(rgb, shift) - channel(colours[std::size_t(i)], shift);
            distance += d * d;
        }
        if (i == 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

int little(const std::vector<unsigned char>& bytes, std::size_t at, int size) {
    int value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + std::size_t(i)];
    }
    return value;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vantrel-pack-splash BITMAP SOURCE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> bmp{std::istreambuf_iterator<char>(in), {}};
    constexpr std::size_t kStride = (kSplashPictureWidth * 3 + 3) / 4 * 4;
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M' ||
        little(bmp, 18, 4) != kSplashPictureWidth || little(bmp, 22, 4) != kSplashPictureHeight ||
        little(bmp, 28, 2) != 24 ||
        bmp.size() < std::size_t(little(bmp, 10, 4)) + kStride * kSplashPictureHeight) {
        std::fprintf(stderr, "vantrel-pack-splash: %s is not the %d x %d 24-bit splash bitmap\n",
                     argv[1], kSplashPictureWidth, kSplashPictureHeight);
        return 1;
    }
    const std::size_t pixels = std::size_t(little(bmp, 10, 4));
    const auto colours = palette();
    std::vector<int> indices;
    for (int y = 0; y < kSplashPictureHeight; ++y) {
        // Rows are stored bottom-up, each pixel blue, green, red.
        const std::size_t row = pixels + std::size_t(kSplashPictureHeight - 1 - y) * kStride;
        for (int x = 0; x < kSplashPictureWidth; ++x) {
            const unsigned char* bgr = &bmp[row + 3 * std::size_t(x)];
            indices.push_back(nearest(colours, std::uint32_t(bgr[2]) << 16 |
                                                   std::uint32_t(bgr[1]) << 8 | bgr[0]));
        }
    }
    std::vector<unsigned char> runs;
    for (std::size_t i = 0; i < indices.size();) {
        std::size_t end = i + 1;
        while (end < indices.size() && indices[end] == indices[i] &&
               end - i < std::size_t(kSplashLongestRun)) {
            ++end;
        }
        runs.push_back(static_cast<unsigned char>(indices[i] << 4 | int(end - i - 1)));
        i = end;
    }

    std::FILE* out = std::fopen(argv[2], "w");
    if (out == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    std::fprintf(out, "// Written by vantrel-pack-splash from the splash bitmap; do not edit.\n"
                      "#include \"SplashRuns.h\"\n\nconst std::uint32_t "
                      "kSplashPalette[kSplashPaletteSize] = {\n");
    for (std::uint32_t colour : colours) {
        std::fprintf(out, "    0x%06X,\n", unsigned(colour));
    }
    std::fprintf(out, "};\n\nconst unsigned char kSplashRuns[] = {");
    for (std::size_t i = 0; i < runs.size(); ++i) {
        std::fprintf(out, "%s0x%02X,", i % 16 == 0 ? "\n    " : " ", unsigned(runs[i]));
    }
    std::fprintf(out, "\n};\n\nconst std::size_t kSplashRunsSize = %zu;\n", runs.size());
    return std::fclose(out) == 0 ? 0 : 1;
}

// vantrel-draw-assets: draws the game's pictures and writes them into a
// directory, or checks that a directory holds exactly what it would write.
// The committed files in assets/ are this tool's output; a test runs the
// check so that the pictures and the code that draws them never drift apart.

#include "AssetFiles.h"

#include <QImage>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string_view>
#include <system_error>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "usage: vantrel-draw-assets DIR\n"
    "       vantrel-draw-assets --check DIR\n"
    "Writes splash.bmp, vantrel.ico, the PNG icons and splash.png into DIR,\n"
    "or with --check compares the files in DIR with a fresh drawing.\n";

std::optional<Bytes> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

// Writes next to the target and renames it into place, so that a failed write
// never leaves a half-written picture where the build would pick it up.
bool writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::path partial = path;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error) {
        std::filesystem::remove(partial, error);
        return false;
    }
    return true;
}

// How tightly a PNG is packed is up to the compression library, and another
// version of it may pack the same pixels differently. So a committed PNG that
// is not byte for byte a fresh one still matches if it decodes to the same
// opaque picture.
bool isSamePng(const Bytes& onDisk, const Bytes& fresh) {
    const auto decode = [](const Bytes& bytes) {
        return QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "PNG");
    };
    const QImage committed = decode(onDisk);
    return !committed.isNull() && !committed.hasAlphaChannel() &&
           committed.convertToFormat(QImage::Format_RGB888) ==
               decode(fresh).convertToFormat(QImage::Format_RGB888);
}

bool matches(const AssetFile& file, const Bytes& onDisk) {
    return onDisk == file.bytes || (std::filesystem::path(file.name).extension() == ".png" &&
                                    isSamePng(onDisk, file.bytes));
}

int writeAll(const std::filesystem::path& dir) {
    int status = kExitOk;
    for (const AssetFile& file : drawAssetFiles()) {
        if (writeFile(dir / file.name, file.bytes)) {
            std::cout << "wrote " << (dir / file.name).string() << " (" << file.bytes.size()
                      << " bytes)\n";
        } else {
            std::cerr << "vantrel-draw-assets: could not write " << (dir / file.name).string()
                      << "\n";
            status = kExitFailed;
        }
    }
    return status;
}

int checkAll(const std::filesystem::path& dir) {
    int status = kExitOk;
    for (const AssetFile& file : drawAssetFiles()) {
        const std::filesystem::path path = dir / file.name;
        const std::optional<Bytes> onDisk = readFile(path);
        if (!onDisk) {
            std::cerr << "missing: " << path.string() << "\n";
            status = kExitFailed;
        } else if (!matches(file, *onDisk)) {
            std::cerr << "differs from a fresh drawing: " << path.string()
                      << " (redraw it with vantrel-draw-assets)\n";
            status = kExitFailed;
        } else {
            std::cout << "ok: " << path.string() << "\n";
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 2 && std::string_view(argv[1]) != "--check" && argv[1][0] != '-') {
            const std::filesystem::path dir = argv[1];
            if (!std::filesystem::is_directory(dir)) {
                std::cerr << "vantrel-draw-assets: not a directory: " << dir.string() << "\n";
                return kExitFailed;
            }
            return writeAll(dir);
        }
        if (argc == 3 && std::string_view(argv[1]) == "--check") {
            return checkAll(argv[2]);
        }
        std::cerr << kUsage;
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "vantrel-draw-assets: " << e.what() << "\n";
        return kExitFailed;
    }
}

// Reads Vantrel.exe as Explorer and the file properties dialog do: its
// version record, its icon and the splash picture among its resources.

#include "WinTestSupport.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::string versionString(const std::vector<char>& record, const std::string& name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueA(record.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr) {
        return "(missing)";
    }
    return std::string(value);
}

void checkVersionRecord(const std::string& exe) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    CHECK(size > 0);
    if (size == 0) {
        return;
    }
    std::vector<char> record(size);
    CHECK(GetFileVersionInfoA(exe.c_str(), 0, size, record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    CHECK(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    if (fixed != nullptr) {
        CHECK_EQ(fixed->dwFileVersionMS, 0x00010000u);
        CHECK_EQ(fixed->dwFileVersionLS, 0u);
        CHECK_EQ(fixed->dwProductVersionMS, 0x00010000u);
        CHECK_EQ(fixed->dwProductVersionLS, 0u);
    }

    WORD* translation = nullptr;
    CHECK(VerQueryValueA(record.data(), "\\VarFileInfo\\Translation",
                         reinterpret_cast<void**>(&translation), &length));
    CHECK_EQ(length, 4u);
    if (translation != nullptr && length >= 4) {
        CHECK_EQ(translation[0], 0x0409);
        CHECK_EQ(translation[1], 1200);
    }

    CHECK_EQ(versionString(record, "FileDescription"), "Vantrel.");
    CHECK_EQ(versionString(record, "ProductName"), "Vantrel");
    CHECK_EQ(versionString(record, "FileVersion"), "1.00");
    CHECK_EQ(versionString(record, "ProductVersion"), "1.00");
    CHECK_EQ(versionString(record, "InternalName"), "Vantrel");
    CHECK_EQ(versionString(record, "OriginalFilename"), "Vantrel.exe");
}

BOOL CALLBACK firstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
    *reinterpret_cast<LPSTR*>(param) = name;
    return FALSE;
}

void checkIconAndPicture(const std::string& exe) {
    // Explorer shows the first icon group of the file.
    CHECK_EQ(static_cast<int>(reinterpret_cast<INT_PTR>(
                 ExtractIconA(nullptr, exe.c_str(), static_cast<UINT>(-1)))),
             1);
    HICON shown = ExtractIconA(nullptr, exe.c_str(), 0);
    CHECK(shown != nullptr && reinterpret_cast<INT_PTR>(shown) != 1);
    if (shown != nullptr) {
        DestroyIcon(shown);
    }

    HMODULE file = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    CHECK(file != nullptr);
    if (file == nullptr) {
        return;
    }
    LPSTR group = nullptr;
    EnumResourceNamesA(file, RT_GROUP_ICON, firstName, reinterpret_cast<LONG_PTR>(&group));
    CHECK(group != nullptr);
    HRSRC found = group != nullptr ? FindResourceA(file, group, RT_GROUP_ICON) : nullptr;
    CHECK(found != nullptr);
    if (found != nullptr) {
        // The group directory: reserved, type 1, count, then 14-byte entries.
        const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(file, found)));
        const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
        CHECK_EQ(count, 1);
        const BYTE* entry = dir + 6;
        CHECK_EQ(entry[0], 32);                                  // width
        CHECK_EQ(entry[1], 32);                                  // height
        CHECK_EQ(*reinterpret_cast<const WORD*>(entry + 6), 24); // bits per pixel
    }

    HRSRC picture = FindResourceA(file, MAKEINTRESOURCEA(101), RT_BITMAP);
    CHECK(picture != nullptr);
    if (picture != nullptr) {
        const auto* info =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(file, picture)));
        CHECK_EQ(info->biWidth, 624);
        CHECK_EQ(info->biHeight, 51);
        CHECK_EQ(info->biBitCount, 24);
        CHECK_EQ(info->biCompression, static_cast<DWORD>(BI_RGB));
    }
    FreeLibrary(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: %s PATH\\TO\\Vantrel.exe\n", argv[0]);
        return 2;
    }
    const std::string exe = argv[1];
    wintest::group("version record in US English", [&] { checkVersionRecord(exe); });
    wintest::group("one 32 x 32 icon and the splash picture", [&] { checkIconAndPicture(exe); });
    return wintest::summary();
}

// What the desktop and the file's properties read from ondulite.scr, in
// both builds: the name for the screen-saver list (string 1), the version
// resource and the manifest that makes it DPI-aware. Each file is loaded as
// data, as the desktop does, so the 64-bit probe reads the 32-bit file too.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/probe.h"

namespace {

std::string FileName(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The machine field of the PE header, read from the file itself.
WORD Machine(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    unsigned char header[4096] = {};
    size_t size = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    if (size < 0x40 || header[0] != 'M' || header[1] != 'Z') return 0;
    uint32_t pe = (uint32_t)header[0x3C] | (uint32_t)header[0x3D] << 8 | (uint32_t)header[0x3E] << 16;
    if (pe + 6 > size || std::memcmp(header + pe, "PE\0\0", 4) != 0) return 0;
    return (WORD)(header[pe + 4] | header[pe + 5] << 8);
}

std::string VersionString(const std::vector<char>& info, const char* name)
{
    char* text = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\000004B0\\") + name;
    if (!VerQueryValueA(info.data(), query.c_str(), (void**)&text, &length) || !text) return "";
    return std::string(text, strnlen(text, length));
}

void CheckSaverFile(const std::string& unixPath, WORD machine, const char* bits)
{
    const std::string what = Format("%s ondulite.scr", bits);
    const std::string path = WindowsPath(unixPath);
    Check(FileName(unixPath) == "ondulite.scr", what + ": named ondulite.scr (" + FileName(unixPath) + ")");
    WORD found = Machine(path);
    Check(found == machine, what + Format(": machine 0x%04X (want 0x%04X)", found, machine));

    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!Check(module != nullptr, what + Format(": loads as data (error %lu)", GetLastError()))) return;

    char name[64] = "";
    int length = LoadStringA(module, 1, name, sizeof name);
    Check(length == 8 && std::string(name) == "ondulite",
          what + ": string 1, the name in the screen-saver list, is \"" + name + "\"");

    HRSRC manifestResource = FindResourceA(module, MAKEINTRESOURCEA(1), (LPCSTR)RT_MANIFEST);
    std::string manifest;
    if (manifestResource) {
        const char* data = (const char*)LockResource(LoadResource(module, manifestResource));
        if (data) manifest.assign(data, SizeofResource(module, manifestResource));
    }
    if (Check(!manifest.empty(), what + ": manifest 1 present")) {
        Check(manifest.find(">PerMonitorV2") != std::string::npos &&
                  manifest.find("SMI/2016/WindowsSettings\">PerMonitorV2") != std::string::npos,
              what + ": the manifest asks for per-monitor (V2) DPI awareness");
        Check(manifest.find("SMI/2005/WindowsSettings\">true/pm</dpiAware>") != std::string::npos,
              what + ": the manifest has the older dpiAware fallback");
        Check(manifest.find("version=\"" ONDULITE_VERSION ".0\"") != std::string::npos,
              what + ": the manifest's assembly version is " ONDULITE_VERSION ".0");
    }
    FreeLibrary(module);

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<char> info(size ? size : 1);
    if (!Check(size > 0 && GetFileVersionInfoA(path.c_str(), 0, size, info.data()), what + ": version resource"))
        return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (Check(VerQueryValueA(info.data(), "\\", (void**)&fixed, &fixedSize) && fixed && fixed->dwSignature == 0xFEEF04BD,
              what + ": fixed version information")) {
        std::string fileVersion = Format("%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                         HIWORD(fixed->dwFileVersionLS));
        std::string productVersion = Format("%u.%u.%u", HIWORD(fixed->dwProductVersionMS),
                                            LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS));
        Check(fileVersion == ONDULITE_VERSION && productVersion == ONDULITE_VERSION,
              what + ": file version " + fileVersion + ", product version " + productVersion);
    }
    Check(VersionString(info, "FileVersion") == ONDULITE_VERSION &&
              VersionString(info, "ProductVersion") == ONDULITE_VERSION,
          what + ": version texts " + VersionString(info, "FileVersion") + ", " +
              VersionString(info, "ProductVersion"));
    std::string description = VersionString(info, "FileDescription");
    Check(description.find("ondulite") != std::string::npos, what + ": description \"" + description + "\"");
    std::string copyright = VersionString(info, "LegalCopyright");
    Check(copyright.compare(0, 9, "Copyright") == 0, what + ": copyright \"" + copyright + "\"");
    Check(VersionString(info, "ProductName") == "ondulite" && VersionString(info, "OriginalFilename") == "ondulite.scr",
          what + ": product ondulite, original file name ondulite.scr");
}

}  // namespace

void RunResourceCases(const std::string& otherSaverUnix)
{
    CheckSaverFile(probe.saverUnix, IMAGE_FILE_MACHINE_AMD64, "64-bit");
    CheckSaverFile(otherSaverUnix, IMAGE_FILE_MACHINE_I386, "32-bit");
}

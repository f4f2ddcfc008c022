// Reads back what the installer left, through the interfaces Windows itself uses, and prints it as
// key=value lines for tests/release/test-release.sh:
//   release_probe link FILE.lnk     target, arguments, working directory and icon of a shortcut
//   release_probe version FILE.exe  the version information of a program
// Exit code 0 on success; 1 with a message on standard error when a step fails.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Fail(const char* step, HRESULT hr) {
    std::fprintf(stderr, "release_probe: %s failed (0x%08lx)\n", step, static_cast<unsigned long>(hr));
    return 1;
}

// A shell link through IShellLinkA and its IPersistFile, as Explorer reads it.
int PrintLink(const char* path) {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) return Fail("CoInitializeEx", hr);
    int rc = 1;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    wchar_t wide[MAX_PATH];
    hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                          reinterpret_cast<void**>(&link));
    if (FAILED(hr)) {
        rc = Fail("CoCreateInstance(ShellLink)", hr);
    } else if (FAILED(hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        rc = Fail("QueryInterface(IPersistFile)", hr);
    } else if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) == 0) {
        rc = Fail("MultiByteToWideChar", HRESULT_FROM_WIN32(GetLastError()));
    } else if (FAILED(hr = file->Load(wide, STGM_READ))) {
        rc = Fail("IPersistFile::Load", hr);
    } else {
        char target[MAX_PATH] = {};
        char args[MAX_PATH] = {};
        char workdir[MAX_PATH] = {};
        char icon[MAX_PATH] = {};
        int iconIndex = -1;
        if (FAILED(hr = link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) {
            rc = Fail("GetPath", hr);
        } else if (FAILED(hr = link->GetArguments(args, MAX_PATH))) {
            rc = Fail("GetArguments", hr);
        } else if (FAILED(hr = link->GetWorkingDirectory(workdir, MAX_PATH))) {
            rc = Fail("GetWorkingDirectory", hr);
        } else if (FAILED(hr = link->GetIconLocation(icon, MAX_PATH, &iconIndex))) {
            rc = Fail("GetIconLocation", hr);
        } else {
            std::printf("target=%s\nargs=%s\nworkdir=%s\nicon=%s,%d\n", target, args, workdir, icon,
                        iconIndex);
            rc = 0;
        }
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return rc;
}

// One string of the version information's first translation.
std::string VersionString(const std::vector<char>& info, const char* name) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &size) ||
        size < sizeof(Translation))
        return "";
    char key[96];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\%s", translation->language,
                  translation->codePage, name);
    char* value = nullptr;
    if (!VerQueryValueA(info.data(), key, reinterpret_cast<void**>(&value), &size) || size == 0) return "";
    return std::string(value);
}

int PrintVersion(const char* path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return Fail("GetFileVersionInfoSizeA", HRESULT_FROM_WIN32(GetLastError()));
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(path, 0, size, info.data()))
        return Fail("GetFileVersionInfoA", HRESULT_FROM_WIN32(GetLastError()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
        fixedSize < sizeof *fixed)
        return Fail("VerQueryValueA(fixed)", E_FAIL);
    std::printf("fixed=%lu.%lu.%lu.%lu\nfile=%s\nproduct=%s\n",
                static_cast<unsigned long>(HIWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(LOWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(HIWORD(fixed->dwFileVersionLS)),
                static_cast<unsigned long>(LOWORD(fixed->dwFileVersionLS)),
                VersionString(info, "FileVersion").c_str(), VersionString(info, "ProductVersion").c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "link") == 0) return PrintLink(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "version") == 0) return PrintVersion(argv[2]);
    std::fprintf(stderr, "usage: release_probe link FILE.lnk | version FILE.exe\n");
    return 2;
}

#include "app/ui/known_folders_win32.h"

#include <windows.h>
// windows.h first: the shell's headers need its types.
#include <knownfolders.h>
#include <shlobj.h>

#include <system_error>

namespace mulan::app {

namespace {

std::optional<std::filesystem::path> KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path);
    std::optional<std::filesystem::path> folder;
    if (SUCCEEDED(result) && path && *path) folder = std::filesystem::path(path);
    CoTaskMemFree(path);  // owed even when the call fails
    return folder;
}

}  // namespace

std::optional<std::filesystem::path> MusicFolder() {
    return KnownFolder(FOLDERID_Music);
}

std::optional<std::filesystem::path> LibraryIndexFile() {
    const std::optional<std::filesystem::path> local = KnownFolder(FOLDERID_LocalAppData);
    if (!local) return std::nullopt;
    const std::filesystem::path folder = *local / L"Mulan Player";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return folder / L"library.db";
}

}  // namespace mulan::app

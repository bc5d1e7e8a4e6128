#include "base/file_probe_win32.h"

#include <windows.h>

namespace mulan::win {

bool Win32FileProbe::OrdinaryFileExists(TextView path) {
    // An embedded NUL would cut the path short and find some other file.
    if (path.empty() || path.find(u'\0') != TextView::npos) return false;
    const Text terminated(path);
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(reinterpret_cast<const wchar_t*>(terminated.c_str()), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    bool exists = false;
    do {
        exists = (found.dwFileAttributes & kNotOrdinary) == 0;
    } while (!exists && FindNextFileW(search, &found));
    FindClose(search);
    return exists;
}

}  // namespace mulan::win

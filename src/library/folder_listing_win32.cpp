#include <windows.h>

#include <memory>
#include <string>

#include "base/text.h"
#include "library/folder_listing.h"

namespace mulan::library {

namespace {

// Cloud files (OneDrive and the like) that are not on the disk: reading them would download them.
constexpr DWORD kRecallOnOpen = 0x00040000;        // FILE_ATTRIBUTE_RECALL_ON_OPEN
constexpr DWORD kRecallOnDataAccess = 0x00400000;  // FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS
constexpr DWORD kPassedOver = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_OFFLINE |
                              kRecallOnOpen | kRecallOnDataAccess;
// FILETIME counts 100 ns from 1601; the index keeps nanoseconds.
constexpr std::int64_t kNanosecondsPerTick = 100;

struct FindCloser {
    void operator()(HANDLE find) const { FindClose(find); }
};
using ScopedFind = std::unique_ptr<void, FindCloser>;

std::string Reason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = "error " + std::to_string(error);
    if (length > 0 && text) {
        const std::filesystem::path message(std::wstring(text, length));
        const std::u8string utf8 = message.u8string();
        reason = std::string(utf8.begin(), utf8.end());
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
            reason.pop_back();
    }
    LocalFree(text);
    return reason;
}

std::int64_t Nanoseconds(const FILETIME& time) {
    const auto ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return ticks * kNanosecondsPerTick;
}

std::int64_t Size(DWORD high, DWORD low) {
    return (static_cast<std::int64_t>(high) << 32) | low;
}

bool IsValidUtf16(const wchar_t* name) {
    for (const wchar_t* p = name; *p; ++p) {
        if (*p >= 0xD800 && *p <= 0xDBFF) {
            if (p[1] < 0xDC00 || p[1] > 0xDFFF) return false;
            ++p;
        } else if (*p >= 0xDC00 && *p <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

FolderEntry EntryOf(const WIN32_FIND_DATAW& data) {
    FolderEntry entry;
    const std::wstring name(data.cFileName);
    if (!IsValidUtf16(data.cFileName)) {
        entry.problem = "file name is not valid text";
        return entry;
    }
    entry.name = TextToUtf8(Text(name.begin(), name.end()));
    const DWORD attributes = data.dwFileAttributes;
    entry.passOver = name.front() == L'.' || (attributes & kPassedOver) != 0;
    // Junctions and symbolic links are both reparse points; other reparse points (deduplicated
    // files, for one) are plain files.
    const bool link =
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK || data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
    entry.kind = link                                      ? FolderEntry::Kind::Link
                 : (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FolderEntry::Kind::Folder
                 : (attributes & FILE_ATTRIBUTE_DEVICE)    ? FolderEntry::Kind::Other
                                                           : FolderEntry::Kind::File;
    entry.size = Size(data.nFileSizeHigh, data.nFileSizeLow);
    entry.mtimeNs = Nanoseconds(data.ftLastWriteTime);
    return entry;
}

}  // namespace

std::vector<FolderEntry> ListFolder(const std::filesystem::path& folder) {
    WIN32_FIND_DATAW data{};
    const std::wstring pattern = (folder / L"*").wstring();
    ScopedFind find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (find.get() == INVALID_HANDLE_VALUE) {
        find.release();
        throw FolderError(Reason(GetLastError()));
    }
    std::vector<FolderEntry> entries;
    do {
        const std::wstring_view name(data.cFileName);
        if (name == L"." || name == L"..") continue;
        entries.push_back(EntryOf(data));
    } while (FindNextFileW(find.get(), &data));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) throw FolderError(Reason(error));
    return entries;
}

bool FollowLink(const std::filesystem::path& path, FolderEntry& entry) {
    // Opening the link (not asking for its attributes) is what follows it to its target.
    const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION data{};
    const bool read = GetFileInformationByHandle(file, &data) != 0;
    CloseHandle(file);
    if (!read || (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | kPassedOver))) return false;
    entry.size = Size(data.nFileSizeHigh, data.nFileSizeLow);
    entry.mtimeNs = Nanoseconds(data.ftLastWriteTime);
    return true;
}

}  // namespace mulan::library

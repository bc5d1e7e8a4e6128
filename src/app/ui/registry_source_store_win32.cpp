#include "app/ui/registry_source_store_win32.h"

#include <algorithm>
#include <string>

#include "base/scoped_gdi_win32.h"
#include "base/wide_text_win32.h"

namespace mulan::app::ui {

namespace {

constexpr wchar_t kKind[] = L"MusicSource";
constexpr wchar_t kSite[] = L"SiteHost";
constexpr wchar_t kSearch[] = L"SearchHost";
constexpr wchar_t kMedia[] = L"MediaHost";
constexpr wchar_t kFolders[] = L"Folders";
constexpr wchar_t kSiteKind[] = L"site";
constexpr wchar_t kComputerKind[] = L"computer";
// Longer than any host or folder list a user keeps; a longer value is not ours.
constexpr DWORD kMostBytes = 64 * 1024;

struct CloseKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using ScopedKey = win::ScopedHandle<HKEY, CloseKey>;

// Opens (or, to write, makes) the key; empty when it cannot.
ScopedKey OpenKey(HKEY root, const wchar_t* path, bool write) {
    HKEY key = nullptr;
    const LONG opened = write ? RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)
                              : RegOpenKeyExW(root, path, 0, KEY_READ, &key);
    return ScopedKey(opened == ERROR_SUCCESS ? key : nullptr);
}

// A string value; REG_MULTI_SZ keeps its inner terminators.
std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name, DWORD wantedType) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != wantedType ||
        bytes > kMostBytes)
        return std::nullopt;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.resize(bytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

bool WriteString(HKEY key, const wchar_t* name, DWORD type, const std::wstring& value) {
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}

Text FromWide(const std::wstring& wide) {
    return Text(wide.begin(), wide.end());
}

std::vector<Text> SplitMulti(const std::wstring& joined) {
    std::vector<Text> parts;
    size_t from = 0;
    while (from < joined.size()) {
        const size_t end = std::min(joined.find(L'\0', from), joined.size());
        if (end > from) parts.push_back(FromWide(joined.substr(from, end - from)));
        from = end + 1;
    }
    return parts;
}

std::wstring JoinMulti(const std::vector<Text>& parts) {
    std::wstring joined;
    for (const Text& part : parts) {
        if (part.empty()) continue;
        joined += win::Wide(part);
        joined.push_back(L'\0');
    }
    return joined;
}

}  // namespace

RegistrySourceStore::RegistrySourceStore(HKEY root, const wchar_t* path) : root_(root), path_(path) {}

std::optional<MusicSource> RegistrySourceStore::Load() const {
    const ScopedKey key = OpenKey(root_, path_, false);
    if (!key) return std::nullopt;
    const auto kind = ReadString(key.get(), kKind, REG_SZ);
    if (!kind) return std::nullopt;
    MusicSource source;
    if (*kind == kComputerKind) {
        if (const auto folders = ReadString(key.get(), kFolders, REG_MULTI_SZ))
            source.folders = SplitMulti(*folders);
        return source;
    }
    if (*kind != kSiteKind) return std::nullopt;
    const auto site = ReadString(key.get(), kSite, REG_SZ);
    const auto search = ReadString(key.get(), kSearch, REG_SZ);
    const auto media = ReadString(key.get(), kMedia, REG_SZ);
    if (!site || !search || !media || site->empty() || search->empty() || media->empty()) return std::nullopt;
    source.kind = MusicSource::Kind::Site;
    source.hosts = site::SiteHosts{FromWide(*site), FromWide(*search), FromWide(*media)};
    return source;
}

bool RegistrySourceStore::Save(const MusicSource& source) {
    const ScopedKey key = OpenKey(root_, path_, true);
    if (!key) return false;
    if (source.kind == MusicSource::Kind::ThisComputer) {
        return WriteString(key.get(), kFolders, REG_MULTI_SZ, JoinMulti(source.folders)) &&
               WriteString(key.get(), kKind, REG_SZ, kComputerKind);
    }
    // The kind goes last: a save cut short leaves the previous choice whole.
    return WriteString(key.get(), kSite, REG_SZ, win::Wide(source.hosts.site)) &&
           WriteString(key.get(), kSearch, REG_SZ, win::Wide(source.hosts.search)) &&
           WriteString(key.get(), kMedia, REG_SZ, win::Wide(source.hosts.media)) &&
           WriteString(key.get(), kKind, REG_SZ, kSiteKind);
}

}  // namespace mulan::app::ui

#include "library/audio_files.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <utility>

#include "library/folder_listing.h"

namespace mulan::library {

namespace {

bool EndsWithWithoutCase(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    const auto tail = name.substr(name.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a + 32) : a) == b;
    });
}

struct Pending {
    std::filesystem::path folder;
    std::string relative;  // "" or "a/b/"
};

void TakeFile(const std::filesystem::path& root, const std::filesystem::path& folder, FolderEntry& entry,
              std::string relative, FolderWalk& walk, ScanReport& report) {
    if (entry.kind == FolderEntry::Kind::Link) {
        const std::filesystem::path path = folder / PathFromUtf8(entry.name);
        if (!LiesInside(root, path)) {
            report.Skipped(relative, "symbolic link leads out of the library");
            return;
        }
        if (!FollowLink(path, entry)) {
            report.Skipped(relative, "symbolic link leads to nothing that can be read");
            return;
        }
    }
    walk.files.push_back(FoundFile{std::move(relative), entry.size, entry.mtimeNs});
}

}  // namespace

bool IsAudioName(std::string_view name) {
    static constexpr std::array<std::string_view, 8> kKinds{".mp3", ".m4a",  ".aac", ".flac",
                                                            ".ogg", ".opus", ".wma", ".wav"};
    return std::any_of(kKinds.begin(), kKinds.end(),
                       [&](std::string_view kind) { return EndsWithWithoutCase(name, kind); });
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

bool LiesInside(const std::filesystem::path& root, const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(path, error);
    if (error) return false;
    auto part = real.begin();
    for (const auto& rootPart : root) {
        if (rootPart.empty()) continue;  // a trailing separator
        if (part == real.end() || *part != rootPart) return false;
        ++part;
    }
    return true;
}

FolderWalk WalkFolder(const std::filesystem::path& root, ScanReport& report, const std::atomic<bool>& stop) {
    FolderWalk walk;
    std::vector<Pending> pending{{root, ""}};
    while (!pending.empty() && !stop.load(std::memory_order_relaxed)) {
        Pending next = std::move(pending.back());
        pending.pop_back();
        std::vector<FolderEntry> entries;
        try {
            entries = ListFolder(next.folder);
        } catch (const FolderError& failure) {
            report.Skipped(next.relative.empty() ? "." : next.relative,
                           std::string("folder cannot be read: ") + failure.what());
            walk.unlisted.push_back(next.relative);
            continue;
        }
        for (FolderEntry& entry : entries) {
            if (entry.passOver) continue;
            if (!entry.problem.empty()) {
                if (entry.kind == FolderEntry::Kind::Folder || IsAudioName(entry.name) || entry.name.empty())
                    report.Skipped(next.relative + (entry.name.empty() ? "?" : entry.name), entry.problem);
                continue;
            }
            if (entry.kind == FolderEntry::Kind::Folder) {
                pending.push_back({next.folder / PathFromUtf8(entry.name), next.relative + entry.name + "/"});
            } else if ((entry.kind == FolderEntry::Kind::File || entry.kind == FolderEntry::Kind::Link) &&
                       IsAudioName(entry.name)) {
                TakeFile(root, next.folder, entry, next.relative + entry.name, walk, report);
            }
        }
    }
    std::sort(walk.files.begin(), walk.files.end(),
              [](const FoundFile& a, const FoundFile& b) { return a.relative < b.relative; });
    return walk;
}

}  // namespace mulan::library

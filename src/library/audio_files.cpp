#include "library/audio_files.h"

#include <algorithm>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>
#include <array>
#include <system_error>
#include <utility>

#include "library/folder_listing.h"
#include "base/report.h"

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

// What one walker found; the walkers' findings are put together at the end.
struct Findings {
    FolderWalk walk;
    std::vector<std::pair<std::string, std::string>> skipped;  // path, reason
};

void TakeFile(const std::filesystem::path& root, const std::filesystem::path& folder, FolderEntry& entry,
              std::string relative, Findings& found) {
    if (entry.kind == FolderEntry::Kind::Link) {
        const std::filesystem::path path = folder / PathFromUtf8(entry.name);
        if (!LiesInside(root, path)) {
            found.skipped.emplace_back(std::move(relative), "symbolic link leads out of the library");
            return;
        }
        if (!FollowLink(path, entry)) {
            found.skipped.emplace_back(std::move(relative),
                                       "symbolic link leads to nothing that can be read");
            return;
        }
    }
    found.walk.files.push_back(FoundFile{std::move(relative), entry.size, entry.mtimeNs});
}

// The folders still to be listed, shared by the walkers. Asking the system about each file is most of
// a walk's time, and two threads ask twice as fast.
class FolderQueue {
  public:
    explicit FolderQueue(Pending first) { pending_.push_back(std::move(first)); }

    // The next folder to list; nullopt once every folder has been listed (or the walk is stopped).
    std::optional<Pending> Next(const std::atomic<bool>& stop) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !pending_.empty() || busy_ == 0 || stop.load(); });
        if (pending_.empty() || stop.load()) return std::nullopt;
        ++busy_;
        Pending next = std::move(pending_.back());
        pending_.pop_back();
        return next;
    }
    // A folder taken by Next is listed; folders are the ones found in it.
    void Done(std::vector<Pending>&& folders) {
        std::lock_guard lock(mutex_);
        for (auto& folder : folders) pending_.push_back(std::move(folder));
        --busy_;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Pending> pending_;
    int busy_ = 0;
};

void ListInto(const std::filesystem::path& root, const Pending& next, Findings& found,
              std::vector<Pending>& folders) {
    std::vector<FolderEntry> entries;
    try {
        entries = ListFolder(next.folder);
    } catch (const FolderError& failure) {
        found.skipped.emplace_back(next.relative.empty() ? "." : next.relative,
                                   std::string("folder cannot be read: ") + failure.what());
        found.walk.unlisted.push_back(next.relative);
        return;
    }
    for (FolderEntry& entry : entries) {
        if (entry.passOver) continue;
        if (!entry.problem.empty()) {
            if (entry.kind == FolderEntry::Kind::Folder || IsAudioName(entry.name) || entry.name.empty())
                found.skipped.emplace_back(next.relative + (entry.name.empty() ? "?" : entry.name),
                                           entry.problem);
            continue;
        }
        if (entry.kind == FolderEntry::Kind::Folder) {
            folders.push_back({next.folder / PathFromUtf8(entry.name), next.relative + entry.name + "/"});
        } else if ((entry.kind == FolderEntry::Kind::File || entry.kind == FolderEntry::Kind::Link) &&
                   IsAudioName(entry.name)) {
            TakeFile(root, next.folder, entry, next.relative + entry.name, found);
        }
    }
}

void Walker(const std::filesystem::path& root, FolderQueue& queue, Findings& found,
            const std::atomic<bool>& stop) {
    while (const auto next = queue.Next(stop)) {
        std::vector<Pending> folders;
        try {
            ListInto(root, *next, found, folders);
        } catch (...) {
            queue.Done({});  // else the other walker would wait for this folder for ever
            throw;
        }
        queue.Done(std::move(folders));
    }
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
    constexpr std::size_t kWalkers = 2;
    FolderQueue queue(Pending{root, ""});
    std::vector<Findings> found(kWalkers);
    {
        // A walker that cannot be started leaves the walk to the others.
        std::vector<std::jthread> helpers;
        for (std::size_t i = 1; i < kWalkers; ++i) {
            try {
                helpers.emplace_back([&, i] {
                    try {
                        Walker(root, queue, found[i], stop);
                    } catch (...) {
                        MULAN_REPORT_EXCEPTION();
                    }
                });
            } catch (const std::system_error&) {
            }
        }
        Walker(root, queue, found[0], stop);
    }
    FolderWalk walk = std::move(found[0].walk);
    std::vector<std::pair<std::string, std::string>> skipped = std::move(found[0].skipped);
    for (std::size_t i = 1; i < kWalkers; ++i) {
        std::move(found[i].walk.files.begin(), found[i].walk.files.end(), std::back_inserter(walk.files));
        std::move(found[i].walk.unlisted.begin(), found[i].walk.unlisted.end(),
                  std::back_inserter(walk.unlisted));
        std::move(found[i].skipped.begin(), found[i].skipped.end(), std::back_inserter(skipped));
    }
    std::sort(skipped.begin(), skipped.end());
    for (const auto& [path, reason] : skipped) report.Skipped(path, reason);
    std::sort(walk.files.begin(), walk.files.end(),
              [](const FoundFile& a, const FoundFile& b) { return a.relative < b.relative; });
    return walk;
}

}  // namespace mulan::library

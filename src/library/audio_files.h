#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace mulan::library {

// Where a scan tells what it passes over and how far it has come.
class ScanReport {
  public:
    virtual ~ScanReport() = default;
    // path: relative to the library's folder, UTF-8 ("." for the folder itself).
    virtual void Skipped(std::string_view path, std::string_view reason) = 0;
    // After every batch of files read: done of total.
    virtual void Progress(std::size_t done, std::size_t total) = 0;
};

// An audio file found under a library's folder.
struct FoundFile {
    std::string relative;  // '/'-separated, UTF-8
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
};

// What a walk of a library's folder found.
struct FolderWalk {
    std::vector<FoundFile> files;  // in path order
    // Folders that could not be listed (relative, each ending in '/'; "" for the root): what the index
    // knows under them is kept, since a folder gone for a moment must not cost its songs.
    std::vector<std::string> unlisted;
};

// True for the names of the audio files a library holds: .mp3 .m4a .aac .flac .ogg .opus .wma .wav.
bool IsAudioName(std::string_view name);

// The UTF-8 relative path as a path of the system (wide on Windows).
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// True when path (made absolute and free of links) lies inside root (absolute and free of links).
bool LiesInside(const std::filesystem::path& root, const std::filesystem::path& path);

// Every audio file under root (absolute, free of links). Folders reached through links (symbolic links,
// junctions) are never entered, so no link leads out and no loop is walked; a file reached through a link
// is taken only when the file it leads to lies inside root. Hidden and system entries and cloud
// placeholders are passed over silently; what cannot be read is reported with its reason.
FolderWalk WalkFolder(const std::filesystem::path& root, ScanReport& report, const std::atomic<bool>& stop);

}  // namespace mulan::library

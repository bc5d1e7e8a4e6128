#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace mulan::app {

// The system's change notifications for the music folders (and everything under them), on one thread
// of its own. Every change - a file added, removed, renamed, resized or written - calls changed; so
// does an overflow of the notification buffer, since a full incremental scan then finds what was
// missed. The callbacks run on the watch's thread and must not throw into it (they are guarded).
class FolderWatch {
  public:
    struct Callbacks {
        std::function<void()> changed;
        // The watch of folder ended (the folder went away, the share dropped the watch): poll it.
        std::function<void(const std::filesystem::path& folder)> lost;
    };

    FolderWatch(const std::vector<std::filesystem::path>& folders, Callbacks callbacks);
    // Cancels the reads and waits for the thread.
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // The folders, as given, whose changes are notified; any other (absent, or a share that gives no
    // notifications) has to be polled.
    const std::vector<std::filesystem::path>& Watched() const { return watched_; }

  private:
    struct Folder;
    void Run();

    Callbacks callbacks_;
    std::vector<std::unique_ptr<Folder>> folders_;
    std::vector<std::filesystem::path> watched_;
    void* stop_ = nullptr;  // the event that ends the thread
    std::thread thread_;
};

}  // namespace mulan::app

#include "app/ui/folder_watch_win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <random>
#include <string>

#include "app/ui/known_folders_win32.h"

namespace mulan::app {
namespace {

using namespace std::chrono_literals;

class ScratchFolder {
  public:
    ScratchFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / (L"mulan-watch-" + std::to_wstring(random()));
        std::filesystem::create_directories(path_ / L"子目录");
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Counts the callbacks, waited on from the test's thread.
struct Calls {
    std::mutex lock;
    std::condition_variable came;
    int changes = 0;
    std::vector<std::filesystem::path> lost;

    FolderWatch::Callbacks Callbacks() {
        return {[this] {
                    std::lock_guard hold(lock);
                    ++changes;
                    came.notify_all();
                },
                [this](const std::filesystem::path& folder) {
                    std::lock_guard hold(lock);
                    lost.push_back(folder);
                    came.notify_all();
                }};
    }
    bool WaitForChanges(int count) {
        std::unique_lock hold(lock);
        return came.wait_for(hold, 30s, [&] { return changes >= count; });
    }
};

TEST(FolderWatch, ASongCopiedInOrUnderTheFolderIsNoticedAndAnAbsentFolderIsLeftToPolling) {
    ScratchFolder music;
    const std::filesystem::path away = music.path() / L"不在";
    Calls calls;
    {
        FolderWatch watch({music.path(), away}, calls.Callbacks());
        EXPECT_EQ(watch.Watched(), (std::vector<std::filesystem::path>{music.path()}));
        std::ofstream(music.path() / L"新歌.mp3", std::ios::binary) << "ID3";
        ASSERT_TRUE(calls.WaitForChanges(1));
        int seen = 0;
        {
            std::lock_guard hold(calls.lock);
            seen = calls.changes;
        }
        std::ofstream(music.path() / L"子目录" / L"深处.flac", std::ios::binary) << "fLaC";
        EXPECT_TRUE(calls.WaitForChanges(seen + 1));
    }
    // Stopped: nothing more arrives after the watch is gone.
    int after = 0;
    {
        std::lock_guard hold(calls.lock);
        after = calls.changes;
    }
    std::ofstream(music.path() / L"之后.mp3", std::ios::binary) << "ID3";
    std::lock_guard hold(calls.lock);
    EXPECT_EQ(calls.changes, after);
}

TEST(KnownFolders, TheMusicFolderAndTheIndexUnderLocalApplicationData) {
    const auto music = MusicFolder();
    ASSERT_TRUE(music.has_value());
    EXPECT_TRUE(music->is_absolute());
    const auto index = LibraryIndexFile();
    ASSERT_TRUE(index.has_value());
    EXPECT_EQ(index->filename(), L"library.db");
    EXPECT_EQ(index->parent_path().filename(), L"Mulan Player");
    EXPECT_TRUE(std::filesystem::is_directory(index->parent_path()));
}

}  // namespace
}  // namespace mulan::app

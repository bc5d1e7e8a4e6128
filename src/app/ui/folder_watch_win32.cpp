#include "app/ui/folder_watch_win32.h"

#include <windows.h>

#include "base/report.h"
#include "base/scoped_kernel_win32.h"

namespace mulan::app {

namespace {

// What makes a song appear, go or change; DIR_NAME so that a folder of songs moved in counts too.
constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                           FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
// Notifications are only a sign that something changed, never read one by one: a small buffer is
// enough, and an overflow is a change like any other. Below 64 KiB, as network shares require.
constexpr DWORD kBufferBytes = 16 * 1024;

void Guarded(const std::function<void()>& call) {
    RunGuarded(call, [] {});
}

}  // namespace

struct FolderWatch::Folder {
    std::filesystem::path path;
    win::ScopedKernelHandle handle;
    win::ScopedKernelHandle event;
    OVERLAPPED overlapped{};
    std::vector<DWORD> buffer = std::vector<DWORD>(kBufferBytes / sizeof(DWORD));
    bool pending = false;

    // Asks for the next notifications; false when the folder gives none.
    bool Read() {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event.get();
        pending = ReadDirectoryChangesW(handle.get(), buffer.data(), kBufferBytes, TRUE, kChanges, nullptr,
                                        &overlapped, nullptr) != 0;
        return pending;
    }
};

FolderWatch::FolderWatch(const std::vector<std::filesystem::path>& folders, Callbacks callbacks)
    : callbacks_(std::move(callbacks)) {
    // One wait covers every folder and the stop event: at most MAXIMUM_WAIT_OBJECTS - 1 folders are
    // watched, the rest polled.
    for (const auto& path : folders) {
        if (folders_.size() + 1 >= MAXIMUM_WAIT_OBJECTS) break;
        auto folder = std::make_unique<Folder>();
        folder->path = path;
        folder->handle = win::OwnFileHandle(CreateFileW(
            path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
        folder->event = win::ScopedKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!folder->handle || !folder->event || !folder->Read()) continue;
        watched_.push_back(path);
        folders_.push_back(std::move(folder));
    }
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (MULAN_REPORT_IF(stop_ == nullptr)) {
        for (auto& folder : folders_) CancelIoEx(folder->handle.get(), &folder->overlapped);
        return;
    }
    thread_ = std::thread([this] { RunGuarded([this] { Run(); }, [] {}); });
}

FolderWatch::~FolderWatch() {
    if (stop_) SetEvent(stop_);
    if (thread_.joinable()) thread_.join();
    // The system writes into a folder's buffer until its read is cancelled and done.
    for (auto& folder : folders_) {
        if (!folder->pending) continue;
        CancelIoEx(folder->handle.get(), &folder->overlapped);
        DWORD bytes = 0;
        GetOverlappedResult(folder->handle.get(), &folder->overlapped, &bytes, TRUE);
    }
    if (stop_) CloseHandle(stop_);
}

void FolderWatch::Run() {
    for (;;) {
        std::vector<HANDLE> waits{stop_};
        std::vector<Folder*> watching;
        for (auto& folder : folders_) {
            if (!folder->pending) continue;
            waits.push_back(folder->event.get());
            watching.push_back(folder.get());
        }
        const DWORD woke =
            WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 || woke >= WAIT_OBJECT_0 + waits.size()) return;
        Folder& folder = *watching[woke - WAIT_OBJECT_0 - 1];
        DWORD bytes = 0;
        const bool done = GetOverlappedResult(folder.handle.get(), &folder.overlapped, &bytes, FALSE) != 0;
        folder.pending = false;
        ResetEvent(folder.event.get());
        // Zero bytes is an overflow: too much changed to list, so a full scan is due all the same.
        if (callbacks_.changed) Guarded(callbacks_.changed);
        if (!done || !folder.Read()) {
            if (callbacks_.lost) Guarded([&] { callbacks_.lost(folder.path); });
        }
    }
}

}  // namespace mulan::app

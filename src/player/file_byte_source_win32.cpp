#include "player/file_byte_source_win32.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#include "base/scoped_kernel_win32.h"

namespace mulan::player {

namespace {

// What one Take hands over when nothing reads the file directly: big enough that a song takes a
// few messages, small enough that the UI thread is never held for long by a slow share.
constexpr size_t kPiece = 1u << 20;

OpenFailure FailureOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_NOT_READY:
            return OpenFailure::FileMissing;
        default:
            return OpenFailure::FileUnreadable;
    }
}

}  // namespace

// The open file as a decoder reads it. Reads name their offset, so the decoder's thread and the
// owner's never share a file position.
class FileByteSource::File final : public ReadableBytes {
  public:
    File(HANDLE handle, uint64_t length) : handle_(handle), length_(length) {}

    std::optional<size_t> Read(uint64_t offset, std::span<uint8_t> into) override {
        if (cancelled_) return std::nullopt;
        if (offset >= length_ || into.empty()) return 0;
        const auto wanted = static_cast<DWORD>(std::min<uint64_t>({into.size(), length_ - offset, 1u << 30}));
        size_t done = 0;
        while (done < wanted) {
            OVERLAPPED at{};
            const uint64_t from = offset + done;
            at.Offset = static_cast<DWORD>(from);
            at.OffsetHigh = static_cast<DWORD>(from >> 32);
            DWORD read = 0;
            if (!ReadFile(handle_.get(), into.data() + done, static_cast<DWORD>(wanted - done), &read, &at)) {
                if (GetLastError() == ERROR_HANDLE_EOF) break;
                broken_ = true;
                return std::nullopt;
            }
            // A file cut shorter while it plays ends where it now ends.
            if (read == 0) break;
            done += read;
        }
        return done;
    }
    uint64_t length() const override { return length_; }
    bool ended() const override { return true; }
    bool broken() const override { return broken_; }
    uint64_t arrived() const override { return length_; }
    void Cancel() override { cancelled_ = true; }

  private:
    win::ScopedKernelHandle handle_;
    uint64_t length_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> broken_{false};
};

FileByteSource::FileByteSource(const std::wstring& path) {
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        failure_ = FailureOf(GetLastError());
        return;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size) || size.QuadPart < 0) {
        CloseHandle(handle);
        failure_ = OpenFailure::FileUnreadable;
        return;
    }
    file_ = std::make_shared<File>(handle, static_cast<uint64_t>(size.QuadPart));
}

FileByteSource::~FileByteSource() {
    // A decoder still holding the file gives up its reads at once.
    if (file_) file_->Cancel();
}

std::shared_ptr<ReadableBytes> FileByteSource::Readable() {
    direct_ = file_ != nullptr;
    return file_;
}

void FileByteSource::Start(std::function<void()> notify) {
    notify_ = std::move(notify);
    if (notify_) notify_();
}

ByteSource::Progress FileByteSource::Take() {
    Progress progress;
    progress.done = true;
    if (!file_) {
        progress.failure = failure_;
        return progress;
    }
    progress.contentLength = file_->length();
    if (direct_) return progress;
    const uint64_t left = file_->length() - std::min(taken_, file_->length());
    progress.bytes.resize(static_cast<size_t>(std::min<uint64_t>(left, kPiece)));
    const std::optional<size_t> read = file_->Read(taken_, progress.bytes);
    if (!read) {
        progress.bytes.clear();
        progress.failure = taken_ == 0 ? OpenFailure::FileUnreadable : OpenFailure::Truncated;
        return progress;
    }
    progress.bytes.resize(*read);
    taken_ += *read;
    // A file that shrank since it was opened ends where it now ends.
    if (*read == left || *read == 0) return progress;
    progress.done = false;
    if (notify_) notify_();
    return progress;
}

}  // namespace mulan::player

#pragma once

#include <functional>
#include <memory>
#include <string>

#include "player/byte_source.h"

namespace mulan::player {

// A song's bytes from a file on this computer or a share. The file is opened at once, shared for
// reading, writing and deleting, so that a tagger may rewrite or remove it while it plays; its
// length is known at once, so a decoder reads it directly, with no thread between. A file that
// will not open fails as an address the server does not have does: at the first Take.
class FileByteSource final : public ByteSource {
  public:
    explicit FileByteSource(const std::wstring& path);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    // The open file; null when it would not open.
    std::shared_ptr<ReadableBytes> Readable() override;
    // Tells at once, on the caller's thread.
    void Start(std::function<void()> notify) override;
    // Without Readable, the file in pieces (the next is told of after each); with it, only the end.
    Progress Take() override;

    class File;

  private:
    std::shared_ptr<File> file_;
    OpenFailure failure_ = OpenFailure::FileMissing;
    std::function<void()> notify_;
    bool direct_ = false;
    uint64_t taken_ = 0;
};

}  // namespace mulan::player

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "player/player_status.h"

namespace mulan::player {

// A song's compressed bytes as a decoder reads them: by offset, from wherever they are held. A
// read of bytes not at hand yet may wait for them; a cancel ends every read.
class ReadableBytes {
  public:
    // Length reported for a body whose end nobody knows.
    static constexpr uint64_t kUnknownLength = uint64_t{1} << 40;

    virtual ~ReadableBytes() = default;

    // Copies bytes from offset: the count copied (less at the end, 0 past it), or nothing when the
    // bytes cannot be had (cancelled, dropped, unreadable).
    virtual std::optional<size_t> Read(uint64_t offset, std::span<uint8_t> into) = 0;
    // The body's length, or kUnknownLength.
    virtual uint64_t length() const = 0;
    // No more bytes will come.
    virtual bool ended() const = 0;
    // The bytes stop before the song's end: a transfer broke off, a file could not be read on.
    virtual bool broken() const = 0;
    // Bytes at hand so far.
    virtual uint64_t arrived() const = 0;
    // Wakes every waiting read; from now on reads fail.
    virtual void Cancel() = 0;
};

// Where a song's bytes come from (a server, a file): the player starts it, hears when there is
// news and takes it on its own thread. A new kind of source is one class of this.
class ByteSource {
  public:
    struct Progress {
        std::vector<uint8_t> bytes;  // arrived since the last Take
        std::optional<uint64_t> contentLength;
        bool done = false;
        std::optional<OpenFailure> failure;
        int32_t httpStatus = 0;  // the server's answer, for OpenFailure::HttpStatus
    };

    virtual ~ByteSource() = default;

    // The bytes for a decoder to read by offset as they come, asked for before Start: Take then
    // carries no bytes and tells only of the end. Null when there is nothing to read (a file
    // that would not open): Take then says why.
    virtual std::shared_ptr<ReadableBytes> Readable() = 0;
    // Begins. notify, called on any thread, says Take has news; it may be called before Start
    // returns and is not called again until the news is taken.
    virtual void Start(std::function<void()> notify) = 0;
    virtual Progress Take() = 0;
};

}  // namespace mulan::player

#include "library/raw_tag_fields.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

#include "library/utf8_scan.h"

namespace mulan::library {

namespace {

// A longer text is no title or lyrics, and a hostile size must not make us allocate it.
constexpr std::size_t kMaxValueBytes = 1024 * 1024;
constexpr std::size_t kMaxFields = 256;
// Bounds on the walks, so that a file of tiny frames or entries does not keep us long.
constexpr std::size_t kMaxEntries = 65536;
constexpr std::size_t kMaxFlacBlocks = 1024;
// Ogg: the comment packet is kept up to this (a cover picture inside it comes after the text, if at
// all), and pages are followed up to this far into the file.
constexpr std::size_t kMaxOggPacket = 512 * 1024;
constexpr std::uint64_t kMaxOggScan = 4 * 1024 * 1024;
// An ID3v2.3 tag unsynchronised as a whole is decoded up to this.
constexpr std::size_t kMaxUnsynchronisedTag = 4 * 1024 * 1024;
// How much the file reader takes at once: a tag's headers and small fields come in one read.
constexpr std::size_t kFileChunk = 64 * 1024;
constexpr std::size_t kApeFooterBytes = 32;
constexpr std::size_t kId3v1Bytes = 128;

// Random access to what is known of a file: a prefix (or suffix) in memory, or the file itself.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Up to length bytes from offset, fewer where the known bytes end; valid until the next call.
    virtual std::string_view Get(std::uint64_t offset, std::size_t length) = 0;
    // The offset where the known bytes end.
    virtual std::uint64_t Size() const = 0;

    // Exactly length bytes from offset into out; false where the known bytes end first.
    bool Take(std::uint64_t offset, std::size_t length, std::string_view& out) {
        out = Get(offset, length);
        return out.size() == length;
    }
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::string_view Get(std::uint64_t offset, std::size_t length) override {
        if (offset >= bytes_.size()) return {};
        return bytes_.substr(static_cast<std::size_t>(offset), length);
    }
    std::uint64_t Size() const override { return bytes_.size(); }

  private:
    std::string_view bytes_;
};

class FileSource final : public ByteSource {
  public:
    FileSource(std::ifstream& in, std::uint64_t size) : in_(in), size_(size) {}
    std::string_view Get(std::uint64_t offset, std::size_t length) override {
        if (offset >= size_) return {};
        length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
        if (offset < start_ || offset + length > start_ + buffer_.size()) Load(offset, length);
        const auto at = static_cast<std::size_t>(offset - start_);
        return std::string_view(buffer_).substr(at, std::min(length, buffer_.size() - at));
    }
    std::uint64_t Size() const override { return size_; }

  private:
    void Load(std::uint64_t offset, std::size_t length) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(std::max(length, kFileChunk), size_ - offset));
        buffer_.resize(want);
        start_ = offset;
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(buffer_.data(), static_cast<std::streamsize>(want));
        buffer_.resize(in_ ? want : static_cast<std::size_t>(std::max<std::streamsize>(in_.gcount(), 0)));
    }

    std::ifstream& in_;
    std::uint64_t size_;
    std::uint64_t start_ = 0;
    std::string buffer_;
};

std::uint32_t Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

std::uint32_t Le32(std::string_view bytes, std::size_t at) {
    return Byte(bytes, at) | Byte(bytes, at + 1) << 8 | Byte(bytes, at + 2) << 16 | Byte(bytes, at + 3) << 24;
}

std::uint32_t Be32(std::string_view bytes, std::size_t at) {
    return Byte(bytes, at) << 24 | Byte(bytes, at + 1) << 16 | Byte(bytes, at + 2) << 8 | Byte(bytes, at + 3);
}

// A syncsafe integer; one with a high bit set was written as a plain integer by some taggers, and is
// read as one (as TagLib does).
std::uint32_t Syncsafe(std::string_view bytes, std::size_t at) {
    if ((Be32(bytes, at) & 0x80808080u) != 0) return Be32(bytes, at);
    return Byte(bytes, at) << 21 | Byte(bytes, at + 1) << 14 | Byte(bytes, at + 2) << 7 | Byte(bytes, at + 3);
}

std::string Upper(std::string_view key) {
    std::string out(key);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string_view BeforeNul(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

class Fields {
  public:
    // Keeps value under key if it is text TagLib would drop.
    void Offer(std::string_view key, std::string_view value) {
        if (value.empty() || utf8::IsValid(value) || Full()) return;
        found_.push_back({Upper(key), std::string(value)});
    }
    bool Full() const { return found_.size() >= kMaxFields; }
    std::vector<RawTextField> Take() { return std::move(found_); }

  private:
    std::vector<RawTextField> found_;
};

// ---- Vorbis comments ------------------------------------------------------------------------------

// A Vorbis comment name as TagLib accepts it: printable ASCII below '~', no '='.
bool IsVorbisKey(std::string_view key) {
    return !key.empty() && std::all_of(key.begin(), key.end(), [](char c) { return c >= 0x20 && c <= 0x7D; });
}

// The comment list from start (vendor length, vendor, count, entries "KEY=value"); the bytes end at end.
void ReadVorbisComments(ByteSource& source, std::uint64_t start, std::uint64_t end, Fields& fields) {
    std::string_view word;
    if (start + 4 > end || !source.Take(start, 4, word)) return;
    std::uint64_t at = start + 4 + Le32(word, 0);
    if (at + 4 > end || !source.Take(at, 4, word)) return;
    const std::uint32_t count = Le32(word, 0);
    at += 4;
    // Names longer than this are not among those that carry text we show.
    constexpr std::size_t kMaxKey = 64;
    for (std::uint32_t i = 0; i < count && i < kMaxEntries && !fields.Full(); ++i) {
        if (at + 4 > end || !source.Take(at, 4, word)) return;
        const std::uint32_t length = Le32(word, 0);
        const std::uint64_t entry = at + 4;
        if (entry + length > end) return;
        at = entry + length;
        const std::string_view head = source.Get(entry, std::min<std::size_t>(length, kMaxKey + 1));
        const std::size_t equals = head.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string key(head.substr(0, equals));
        const std::uint64_t valueLength = length - equals - 1;
        if (!IsVorbisKey(key) || valueLength > kMaxValueBytes) continue;
        std::string_view value;
        if (!source.Take(entry + equals + 1, static_cast<std::size_t>(valueLength), value)) return;
        fields.Offer(key, value);
    }
}

// ---- FLAC -----------------------------------------------------------------------------------------

// The first VORBIS_COMMENT block among the metadata blocks after "fLaC" at start.
void ReadFlac(ByteSource& source, std::uint64_t start, Fields& fields) {
    constexpr int kVorbisComment = 4;
    constexpr int kInvalid = 127;
    std::uint64_t at = start + 4;
    for (std::size_t i = 0; i < kMaxFlacBlocks; ++i) {
        std::string_view header;
        if (!source.Take(at, 4, header)) return;
        const auto type = static_cast<int>(Byte(header, 0) & 0x7F);
        const bool last = (Byte(header, 0) & 0x80) != 0;
        const std::uint64_t length = Byte(header, 1) << 16 | Byte(header, 2) << 8 | Byte(header, 3);
        if (type == kInvalid) return;
        if (type == kVorbisComment) return ReadVorbisComments(source, at + 4, at + 4 + length, fields);
        if (last) return;
        at += 4 + length;
    }
}

// ---- Ogg ------------------------------------------------------------------------------------------

struct OggPackets {
    std::string first;   // the identification header's first bytes
    std::string second;  // the comment header, up to kMaxOggPacket
};

// The first two packets of the file's first logical stream, put together from its pages' segments;
// what the pages give before they end or turn bad.
OggPackets ReadOggPackets(ByteSource& source) {
    constexpr std::size_t kPageHeader = 27;
    constexpr std::size_t kIdentificationBytes = 8;
    OggPackets packets;
    std::uint64_t at = 0;
    std::uint32_t serial = 0;
    std::size_t packet = 0;
    for (bool firstPage = true; at < kMaxOggScan; firstPage = false) {
        std::string_view header;
        if (!source.Take(at, kPageHeader, header) || !header.starts_with("OggS") || header[4] != 0)
            return packets;
        const std::uint32_t pageSerial = Le32(header, 14);
        if (firstPage) serial = pageSerial;
        const std::size_t segments = Byte(header, 26);
        std::string_view lacing;
        if (!source.Take(at + kPageHeader, segments, lacing)) return packets;
        const std::string sizes(lacing);
        std::uint64_t body = at + kPageHeader + segments;
        at = body;
        for (const char size : sizes) at += static_cast<unsigned char>(size);
        if (pageSerial != serial) continue;
        for (const char c : sizes) {
            const std::size_t size = static_cast<unsigned char>(c);
            std::string& into = packet == 0 ? packets.first : packets.second;
            const std::size_t keep = packet == 0 ? kIdentificationBytes : kMaxOggPacket;
            const std::size_t wanted = std::min(size, keep - std::min(keep, into.size()));
            if (wanted > 0) {
                std::string_view bytes;
                if (!source.Take(body, wanted, bytes)) return packets;
                into.append(bytes);
            }
            if (packet == 1 && into.size() >= kMaxOggPacket) return packets;
            body += size;
            if (size < 255 && ++packet == 2) return packets;
        }
    }
    return packets;
}

void ReadOgg(ByteSource& source, Fields& fields) {
    const OggPackets packets = ReadOggPackets(source);
    std::string_view comment = packets.second;
    std::size_t skip = 0;
    if (packets.first.starts_with("\x01vorbis") && comment.starts_with("\x03vorbis")) {
        skip = 7;
    } else if (packets.first.starts_with("OpusHead") && comment.starts_with("OpusTags")) {
        skip = 8;
    } else if (packets.first.starts_with("\x7F"
                                         "FLAC") &&
               !comment.empty() && (comment[0] & 0x7F) == 4) {
        skip = 4;  // a VORBIS_COMMENT metadata block's header
    } else if (!packets.first.starts_with("Speex   ")) {
        return;
    }
    MemorySource packet(comment);
    ReadVorbisComments(packet, skip, comment.size(), fields);
}

// ---- APE ------------------------------------------------------------------------------------------

// An APE item name as TagLib accepts it.
bool IsApeKey(std::string_view key) {
    if (key.size() < 2 || key.size() > 255) return false;
    if (!std::all_of(key.begin(), key.end(), [](char c) { return c >= 0x20 && c <= 0x7E; })) return false;
    const std::string upper = Upper(key);
    return upper != "ID3" && upper != "TAG" && upper != "OGGS" && upper != "MP+";
}

// The APE tag whose footer ends the known bytes, or stands before an ID3v1 tag that does.
void ReadApe(ByteSource& source, Fields& fields) {
    const std::uint64_t size = source.Size();
    std::uint64_t footer = size - std::min<std::uint64_t>(size, kApeFooterBytes);
    std::string_view bytes;
    if (!source.Take(footer, kApeFooterBytes, bytes) || !bytes.starts_with("APETAGEX")) {
        if (size < kId3v1Bytes + kApeFooterBytes) return;
        std::string_view id3v1;
        if (!source.Take(size - kId3v1Bytes, 3, id3v1) || id3v1 != "TAG") return;
        footer = size - kId3v1Bytes - kApeFooterBytes;
        if (!source.Take(footer, kApeFooterBytes, bytes) || !bytes.starts_with("APETAGEX")) return;
    }
    const std::uint32_t tagSize = Le32(bytes, 12);  // items and footer
    const std::uint32_t count = Le32(bytes, 16);
    if (tagSize < kApeFooterBytes || tagSize - kApeFooterBytes > footer) return;
    const std::uint64_t end = footer;
    std::uint64_t at = footer - (tagSize - kApeFooterBytes);
    constexpr std::size_t kItemHeader = 8;
    constexpr std::size_t kMaxKey = 255;
    for (std::uint32_t i = 0; i < count && i < kMaxEntries && !fields.Full(); ++i) {
        if (at + kItemHeader > end || !source.Take(at, kItemHeader, bytes)) return;
        const std::uint32_t valueSize = Le32(bytes, 0);
        const std::uint32_t flags = Le32(bytes, 4);
        const std::string_view name = source.Get(at + kItemHeader, kMaxKey + 1);
        const std::size_t nul = name.find('\0');
        if (nul == std::string_view::npos) return;
        const std::string key(name.substr(0, nul));
        const std::uint64_t value = at + kItemHeader + nul + 1;
        if (value + valueSize > end) return;
        at = value + valueSize;
        const bool text = ((flags >> 1) & 3) == 0;
        if (!text || !IsApeKey(key) || valueSize > kMaxValueBytes) continue;
        if (!source.Take(value, valueSize, bytes)) return;
        fields.Offer(key, BeforeNul(bytes));
    }
}

// ---- ID3v2 ----------------------------------------------------------------------------------------

constexpr std::size_t kId3Header = 10;

bool IsFrameId(std::string_view id) {
    return id.size() == 4 && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
}

// bytes with each 0xFF 0x00 made 0xFF again.
std::string Resynchronise(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (bytes[i] == '\xFF' && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
    }
    return out;
}

struct Id3Tag {
    int version = 0;
    bool unsynchronised = false;
    bool extendedHeader = false;
    std::uint64_t end = 0;     // past the frames
    std::uint64_t skipTo = 0;  // past a footer as well
};

std::optional<Id3Tag> Id3Header(ByteSource& source) {
    std::string_view header;
    if (!source.Take(0, kId3Header, header) || !header.starts_with("ID3")) return std::nullopt;
    if ((Be32(header, 6) & 0x80808080u) != 0) return std::nullopt;
    Id3Tag tag;
    tag.version = static_cast<int>(Byte(header, 3));
    const std::uint32_t flags = Byte(header, 5);
    tag.unsynchronised = (flags & 0x80) != 0;
    tag.extendedHeader = (flags & 0x40) != 0;
    tag.end = kId3Header + Syncsafe(header, 6);
    tag.skipTo = tag.end + (tag.version == 4 && (flags & 0x10) != 0 ? kId3Header : 0);
    return tag;
}

// The frame's size at data (its 4 size bytes): syncsafe in 2.4, though iTunes and others wrote plain
// integers there; the plain reading wins, as in TagLib, where only it lands on the next frame.
std::uint64_t FrameSize(ByteSource& source, const Id3Tag& tag, std::uint64_t frame, std::string_view data) {
    const std::uint32_t plain = Be32(data, 0);
    if (tag.version != 4) return plain;
    const std::uint32_t syncsafe = Syncsafe(data, 0);
    if (syncsafe <= 127 || syncsafe == plain) return syncsafe;
    const auto idAt = [&](std::uint64_t size) {
        std::string_view id;
        return source.Take(frame + kId3Header + size, 4, id) && IsFrameId(id);
    };
    return !idAt(syncsafe) && idAt(plain) ? plain : syncsafe;
}

void OfferId3Frame(std::string_view id, std::string_view data, Fields& fields) {
    constexpr char kUtf8 = 3;
    if (data.empty() || data[0] != kUtf8) return;
    if (id == "USLT") {
        if (data.size() < 4) return;
        const std::string_view rest = data.substr(4);  // after encoding and language
        const std::size_t nul = rest.find('\0');
        if (nul != std::string_view::npos) fields.Offer(id, BeforeNul(rest.substr(nul + 1)));
        return;
    }
    fields.Offer(id, BeforeNul(data.substr(1)));
}

// The frames of tag from at to its end, in source (the file, or the tag resynchronised as a whole).
void ReadId3Frames(ByteSource& source, const Id3Tag& tag, std::uint64_t at, std::uint64_t end,
                   Fields& fields) {
    while (at + kId3Header <= end && !fields.Full()) {
        std::string_view header;
        if (!source.Take(at, kId3Header, header)) return;
        const std::string id(header.substr(0, 4));
        if (!IsFrameId(id)) return;  // padding, or damage
        const std::uint32_t format = Byte(header, 9);
        const std::string sizeBytes(header.substr(4, 4));
        const std::uint64_t size = FrameSize(source, tag, at, sizeBytes);
        const std::uint64_t frame = at + kId3Header;
        if (frame + size > end) return;
        at = frame + size;
        if (!((id[0] == 'T' && id != "TXXX") || id == "USLT")) continue;
        std::uint64_t skip = 0;
        bool unsynchronised = false;
        if (tag.version == 4) {
            if ((format & 0x0C) != 0) continue;    // compressed or encrypted
            skip += (format & 0x40) != 0 ? 1 : 0;  // group id
            skip += (format & 0x01) != 0 ? 4 : 0;  // data length
            unsynchronised = (format & 0x02) != 0 || tag.unsynchronised;
        } else {
            if ((format & 0xC0) != 0) continue;    // compressed or encrypted
            skip += (format & 0x20) != 0 ? 1 : 0;  // group id
        }
        if (skip > size || size - skip > kMaxValueBytes) continue;
        std::string_view data;
        if (!source.Take(frame + skip, static_cast<std::size_t>(size - skip), data)) return;
        if (unsynchronised) {
            OfferId3Frame(id, Resynchronise(data), fields);
        } else {
            OfferId3Frame(id, data, fields);
        }
    }
}

// The frames of tag after its extended header, from at (the first byte after the tag header) to end.
void ReadId3Body(ByteSource& source, const Id3Tag& tag, std::uint64_t at, std::uint64_t end, Fields& fields) {
    if (tag.extendedHeader) {
        std::string_view size;
        if (!source.Take(at, 4, size)) return;
        at += tag.version == 4 ? Syncsafe(size, 0) : 4 + std::uint64_t{Be32(size, 0)};
    }
    ReadId3Frames(source, tag, at, end, fields);
}

// The frames of an ID3v2.3 or 2.4 tag at the start; where the tag ends, including any footer (0 with
// no tag).
std::uint64_t ReadId3v2(ByteSource& source, Fields& fields) {
    const std::optional<Id3Tag> tag = Id3Header(source);
    if (!tag) return 0;
    if (tag->version == 4 || (tag->version == 3 && !tag->unsynchronised)) {
        ReadId3Body(source, *tag, kId3Header, tag->end, fields);
    } else if (tag->version == 3) {
        // 2.3 unsynchronises the tag as a whole, extended header included.
        const auto length = std::min<std::uint64_t>(tag->end - kId3Header, kMaxUnsynchronisedTag);
        const std::string whole = Resynchronise(source.Get(kId3Header, static_cast<std::size_t>(length)));
        MemorySource resynchronised(whole);
        ReadId3Body(resynchronised, *tag, 0, whole.size(), fields);
    }
    return tag->skipTo;
}

// ---- All together ---------------------------------------------------------------------------------

std::vector<RawTextField> Collect(ByteSource& head, ByteSource& tail) {
    Fields fields;
    const std::uint64_t afterId3 = ReadId3v2(head, fields);
    std::string_view magic;
    if (head.Take(afterId3, 4, magic) && magic == "fLaC") {
        ReadFlac(head, afterId3, fields);
    } else if (head.Take(0, 4, magic) && magic == "OggS") {
        ReadOgg(head, fields);
    }
    ReadApe(tail, fields);
    return fields.Take();
}

}  // namespace

std::vector<RawTextField> RawTextFieldsOf(std::string_view head, std::string_view tail) {
    MemorySource front(head);
    MemorySource back(tail);
    return Collect(front, back);
}

std::vector<RawTextField> ReadRawTextFields(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) return {};
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    FileSource source(in, size);
    return Collect(source, source);
}

}  // namespace mulan::library

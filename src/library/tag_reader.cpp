#include "library/tag_reader.h"

#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "library/lyric_lines.h"
#include "library/raw_tag_fields.h"
#include "library/tag_text.h"

namespace mulan::library {

namespace {

// A tag text longer than this (in UTF-16 units) is not a title, singer or album, and is ignored.
constexpr unsigned kMaxFieldUnits = 64 * 1024;
// A UTF-16 unit is at least one byte of UTF-8: a lyrics text with more units is too large for certain.
constexpr unsigned kMaxLyricsUnits = kMaxLyricsBytes;
// SYLT times in MPEG frames: samples per frame (MPEG-1 layer III), as the Python reader had it.
constexpr double kMpegFrameSamples = 1152;
constexpr auto kReadStyle = TagLib::AudioProperties::Fast;

// ---- Reading ------------------------------------------------------------------------------------

// TagLib's file stream, read through one window of the file held in memory: the tag readers make many
// small reads and seeks near the start and the end of a file, each a system call or more on the file
// stream itself (a third of the time of a small file). Read only.
class WindowStream final : public TagLib::IOStream {
  public:
    explicit WindowStream(TagLib::FileStream& file)
        : file_(file), length_(file.isOpen() ? file.length() : 0) {}

    TagLib::FileName name() const override { return file_.name(); }
    bool isOpen() const override { return file_.isOpen(); }
    bool readOnly() const override { return true; }
    long tell() const override { return position_; }
    long length() override { return length_; }

    void seek(long offset, Position from) override {
        const long long base = from == Beginning ? 0 : from == Current ? position_ : length_;
        const long long to = base + offset;
        // As the file stream: a seek before the start fails; one past the end reads nothing.
        if (to >= 0) position_ = static_cast<long>(std::min<long long>(to, std::numeric_limits<long>::max()));
    }

    TagLib::ByteVector readBlock(unsigned long length) override {
        if (length == 0 || position_ >= length_) return {};
        length = std::min(length, static_cast<unsigned long>(length_ - position_));
        if (!Holds(position_, length)) {
            if (length >= kWindowBytes) {  // a whole tag: straight from the file
                file_.seek(position_);
                TagLib::ByteVector data = file_.readBlock(length);
                position_ += static_cast<long>(data.size());
                return data;
            }
            // The window from here on, or the file's last window when here is in it.
            windowStart_ = std::min(position_, std::max(0L, length_ - static_cast<long>(kWindowBytes)));
            file_.seek(windowStart_);
            // No more than the file holds: asking for more costs a read that finds its end.
            window_ =
                file_.readBlock(std::min(kWindowBytes, static_cast<unsigned long>(length_ - windowStart_)));
            if (position_ - windowStart_ >= static_cast<long>(window_.size())) return {};  // the file shrank
        }
        TagLib::ByteVector data =
            window_.mid(static_cast<unsigned>(position_ - windowStart_), static_cast<unsigned>(length));
        position_ += static_cast<long>(data.size());
        return data;
    }

    void clear() override { file_.clear(); }
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    void truncate(long) override {}

  private:
    static constexpr unsigned long kWindowBytes = 64 * 1024;

    bool Holds(long at, unsigned long length) const {
        return windowStart_ >= 0 && at >= windowStart_ &&
               static_cast<unsigned long>(at - windowStart_) + length <= window_.size();
    }

    TagLib::FileStream& file_;
    const long length_;
    long position_ = 0;
    long windowStart_ = -1;
    TagLib::ByteVector window_;
};

// ---- Formats -------------------------------------------------------------------------------------

enum class Kind { Mpeg, Mp4, Adts, Flac, OggVorbis, Opus, Speex, OggFlac, Asf, Wav, Aiff, Unknown };

// The format a file's extension names. Reading by extension skips TagLib's guessing by content.
template <typename Char>
Kind KindOfName(const std::basic_string<Char>& path) {
    std::array<char, 6> ext{};
    std::size_t length = 0;
    for (std::size_t i = path.size(); i-- > 0;) {
        const Char c = path[i];
        if (c == '.') break;
        if (c == '/' || c == '\\' || length == ext.size() - 1 || i == 0) return Kind::Unknown;
        const char ascii = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a')
                           : c > 0 && c < 0x80  ? static_cast<char>(c)
                                                : '?';
        ext[ext.size() - 2 - length++] = ascii;
    }
    const std::string_view name(ext.data() + ext.size() - 1 - length, length);
    static constexpr std::pair<std::string_view, Kind> kKinds[] = {
        {"mp3", Kind::Mpeg},      {"mp2", Kind::Mpeg},  {"m4a", Kind::Mp4},   {"m4b", Kind::Mp4},
        {"mp4", Kind::Mp4},       {"aac", Kind::Adts},  {"flac", Kind::Flac}, {"ogg", Kind::OggVorbis},
        {"oga", Kind::OggVorbis}, {"opus", Kind::Opus}, {"spx", Kind::Speex}, {"wma", Kind::Asf},
        {"asf", Kind::Asf},       {"wav", Kind::Wav},   {"aif", Kind::Aiff},  {"aiff", Kind::Aiff},
    };
    for (const auto& [known, kind] : kKinds) {
        if (name == known) return kind;
    }
    return Kind::Unknown;
}

std::unique_ptr<TagLib::File> Open(Kind kind, TagLib::IOStream* stream) {
    auto* frames = TagLib::ID3v2::FrameFactory::instance();
    switch (kind) {
        case Kind::Mpeg:
            return std::make_unique<TagLib::MPEG::File>(stream, frames, true, kReadStyle);
        case Kind::Mp4:
            return std::make_unique<TagLib::MP4::File>(stream, true, kReadStyle);
        case Kind::Flac:
            return std::make_unique<TagLib::FLAC::File>(stream, frames, true, kReadStyle);
        case Kind::OggVorbis:
            return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, true, kReadStyle);
        case Kind::Opus:
            return std::make_unique<TagLib::Ogg::Opus::File>(stream, true, kReadStyle);
        case Kind::Speex:
            return std::make_unique<TagLib::Ogg::Speex::File>(stream, true, kReadStyle);
        case Kind::OggFlac:
            return std::make_unique<TagLib::Ogg::FLAC::File>(stream, true, kReadStyle);
        case Kind::Asf:
            return std::make_unique<TagLib::ASF::File>(stream, true, kReadStyle);
        case Kind::Wav:
            return std::make_unique<TagLib::RIFF::WAV::File>(stream, true, kReadStyle);
        case Kind::Aiff:
            return std::make_unique<TagLib::RIFF::AIFF::File>(stream, true, kReadStyle);
        case Kind::Adts:
        case Kind::Unknown:
            break;
    }
    return nullptr;
}

bool LooksLike(Kind kind, TagLib::IOStream* stream) {
    switch (kind) {
        case Kind::Mpeg:
            return TagLib::MPEG::File::isSupported(stream);
        case Kind::Mp4:
            return TagLib::MP4::File::isSupported(stream);
        case Kind::Flac:
            return TagLib::FLAC::File::isSupported(stream);
        case Kind::OggVorbis:
            return TagLib::Ogg::Vorbis::File::isSupported(stream);
        case Kind::Opus:
            return TagLib::Ogg::Opus::File::isSupported(stream);
        case Kind::Speex:
            return TagLib::Ogg::Speex::File::isSupported(stream);
        case Kind::OggFlac:
            return TagLib::Ogg::FLAC::File::isSupported(stream);
        case Kind::Asf:
            return TagLib::ASF::File::isSupported(stream);
        case Kind::Wav:
            return TagLib::RIFF::WAV::File::isSupported(stream);
        case Kind::Aiff:
            return TagLib::RIFF::AIFF::File::isSupported(stream);
        case Kind::Adts:
        case Kind::Unknown:
            break;
    }
    return false;
}

// Audio that TagLib read: TagLib's MPEG reader takes any file, so a file without a single audio frame
// (no sample rate) is not audio either.
bool IsAudio(const TagLib::File* file) {
    if (file == nullptr || !file->isValid()) return false;
    const TagLib::AudioProperties* properties = file->audioProperties();
    return properties != nullptr && properties->sampleRate() > 0;
}

// ---- AAC in ADTS frames (TagLib 1.13 does not read it) --------------------------------------------

struct AdtsAudio {
    int sampleRate = 0;
    double seconds = 0;
};

struct AdtsHeader {
    int sampleRate = 0;
    unsigned frameBytes = 0;
    unsigned samples = 0;
};

std::optional<AdtsHeader> ParseAdtsHeader(const TagLib::ByteVector& data, unsigned at) {
    static constexpr int kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000,  7350};
    if (at + 7 > data.size()) return std::nullopt;
    const auto byte = [&](unsigned i) {
        return static_cast<unsigned>(static_cast<unsigned char>(data[at + i]));
    };
    // 12 bits of sync, then the MPEG version bit and a layer of 0 (MPEG audio frames have 1 to 3).
    if (byte(0) != 0xFF || (byte(1) & 0xF6) != 0xF0) return std::nullopt;
    const unsigned rateIndex = (byte(2) >> 2) & 0x0F;
    if (rateIndex >= std::size(kRates)) return std::nullopt;
    const unsigned headerBytes = (byte(1) & 0x01) ? 7 : 9;  // 9 with a CRC
    const unsigned frameBytes = ((byte(3) & 0x03) << 11) | (byte(4) << 3) | (byte(5) >> 5);
    if (frameBytes < headerBytes) return std::nullopt;
    return AdtsHeader{kRates[rateIndex], frameBytes, 1024 * ((byte(6) & 0x03) + 1)};
}

// Bytes of the ID3v2 tag at the start of stream; 0 when there is none.
long Id3v2Bytes(TagLib::IOStream* stream) {
    stream->seek(0);
    const TagLib::ByteVector header = stream->readBlock(10);
    if (header.size() < 10 || !header.startsWith("ID3")) return 0;
    long size = 0;
    for (unsigned i = 6; i < 10; ++i) size = (size << 7) | (static_cast<unsigned char>(header[i]) & 0x7F);
    return size + 10 + ((static_cast<unsigned char>(header[5]) & 0x10) ? 10 : 0);
}

// The sample rate and length of AAC audio in ADTS frames (after an ID3v2 tag, if any): from the frames
// in the first 64 KiB, the whole length estimated from their bytes per second, as mutagen did.
std::optional<AdtsAudio> ReadAdts(TagLib::IOStream* stream) {
    constexpr unsigned kProbeBytes = 64 * 1024;
    const long length = stream->length();
    const long start = Id3v2Bytes(stream);
    if (start >= length) return std::nullopt;
    stream->seek(start);
    const TagLib::ByteVector data = stream->readBlock(kProbeBytes);
    // The first header that another of the same sample rate follows (or the end of the file).
    unsigned first = 0;
    for (;; ++first) {
        if (first + 7 > data.size()) return std::nullopt;
        const auto header = ParseAdtsHeader(data, first);
        if (!header) continue;
        const unsigned next = first + header->frameBytes;
        if (next == data.size() && start + static_cast<long>(next) == length) break;
        const auto following = ParseAdtsHeader(data, next);
        if (following && following->sampleRate == header->sampleRate) break;
    }
    int sampleRate = 0;
    unsigned bytes = 0;
    double samples = 0;
    for (unsigned at = first; at < data.size();) {
        const auto header = ParseAdtsHeader(data, at);
        if (!header || at + header->frameBytes > data.size()) break;
        if (sampleRate != 0 && header->sampleRate != sampleRate) break;
        sampleRate = header->sampleRate;
        bytes += header->frameBytes;
        samples += header->samples;
        at += header->frameBytes;
    }
    if (sampleRate == 0 || bytes == 0) return std::nullopt;
    const double streamBytes = static_cast<double>(length - start - static_cast<long>(first));
    return AdtsAudio{sampleRate, samples / sampleRate * (streamBytes / bytes)};
}

// ---- Texts ---------------------------------------------------------------------------------------

struct Found {
    std::string title;
    std::string singer;
    std::string album;
    std::vector<std::string> lyrics;
    // Whether TagLib may have read a title, singer or album field as empty though the file holds it:
    // a field marked UTF-8 whose bytes are not (GBK from an old tagger) is cleared, or in Vorbis
    // comments left out. Set for a present but empty ID3v2 text frame, and for Vorbis comments and
    // APE tags (which TagLib leaves no trace of such fields in) that lack one of the three.
    bool mayHaveDropped = false;
};

// What is needed to read a file's texts.
struct Context {
    const site::Codec& codec;
    int sampleRate = 0;
    double duration = 0;
    // What the file's texts marked Latin-1 really are, decided from all of them.
    TagCharset latin1 = TagCharset::Latin1;
};

// text in UTF-8; "" for a text of more than most UTF-16 units.
std::string Utf8(const TagLib::String& text, unsigned most) {
    return text.size() > most ? std::string() : text.to8Bit(true);
}

// Text that TagLib read as Latin-1 (its characters are the bytes of the file), in the charset decided
// for the file's Latin-1 texts.
std::string Latin1Text(const TagLib::String& text, unsigned most, const Context& context) {
    if (text.size() > most) return {};
    if (text.isAscii() || !text.isLatin1()) return text.to8Bit(true);
    return DecodeTagText(text.to8Bit(false), context.latin1, context.codec);
}

// The title, singer or album that values give: the first that is not empty as one line, or all of
// them joined by "/" ("" when all are empty).
template <typename Values, typename Convert>
std::string FieldOf(const Values& values, bool join, Convert convert) {
    std::string joined;
    for (const auto& value : values) {
        std::string text = OneLine(convert(value));
        if (text.empty()) continue;
        if (!join) return text;
        if (!joined.empty()) joined += '/';
        joined += text;
        if (joined.size() >= kMaxFieldBytes) break;
    }
    return joined.size() > kMaxFieldBytes ? OneLine(joined) : joined;
}

std::string PlainField(const TagLib::StringList& values, bool join) {
    return FieldOf(values, join, [](const TagLib::String& value) { return Utf8(value, kMaxFieldUnits); });
}

// ---- ID3 -----------------------------------------------------------------------------------------

const TagLib::ID3v2::FrameList* FramesOf(const TagLib::ID3v2::Tag* tag, const TagLib::ByteVector& id) {
    if (tag == nullptr) return nullptr;
    const auto& map = tag->frameListMap();
    const auto found = map.find(id);
    return found == map.end() || found->second.isEmpty() ? nullptr : &found->second;
}

// The text of a tag's first id frame; nullopt when it has none.
std::optional<std::string> Id3v2Field(const TagLib::ID3v2::Tag* tag, const TagLib::ByteVector& id, bool join,
                                      const Context& context) {
    const auto* frames = FramesOf(tag, id);
    if (frames == nullptr) return std::nullopt;
    const auto* frame = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frames->front());
    if (frame == nullptr) return std::string();
    if (frame->textEncoding() != TagLib::String::Latin1) return PlainField(frame->fieldList(), join);
    return FieldOf(frame->fieldList(), join,
                   [&](const TagLib::String& value) { return Latin1Text(value, kMaxFieldUnits, context); });
}

// A full ID3v1 field, which may end in a multi-byte character cut in two.
constexpr std::size_t kId3v1FieldBytes = 30;

// An ID3v1 field, which is Latin-1 (or GBK); nullopt when it is empty, as if there were no such field.
std::optional<std::string> Id3v1Field(const TagLib::String& value, const Context& context) {
    std::string bytes = value.isLatin1() ? value.to8Bit(false) : value.to8Bit(true);
    if (bytes.size() == kId3v1FieldBytes) bytes.resize(WithoutCutCharacter(bytes, context.latin1).size());
    std::string text = OneLine(DecodeTagText(bytes, context.latin1, context.codec));
    if (text.empty()) return std::nullopt;
    return text;
}

// Whether a tag's first id frame is there but gave no text: marked UTF-8 and not, TagLib clears it.
bool Id3v2Dropped(const TagLib::ID3v2::Tag* tag, const TagLib::ByteVector& id) {
    const auto* frames = FramesOf(tag, id);
    if (frames == nullptr) return false;
    const auto* frame = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frames->front());
    return frame != nullptr && frame->toString().isEmpty();
}

// The charset of a file's Latin-1 texts, from all of them: ID3v2 text frames and lyrics marked Latin-1
// and the ID3v1 fields.
TagCharset Latin1CharsetOf(const TagLib::ID3v2::Tag* v2, const TagLib::ID3v1::Tag* v1,
                           const site::Codec& codec) {
    static const TagLib::ByteVector kTexts[] = {"TIT2", "TPE1", "TPE2", "TALB"};
    static const TagLib::ByteVector kSylt("SYLT"), kUslt("USLT");
    std::vector<std::string> texts;
    const auto add = [&](const TagLib::String& text, unsigned most) {
        if (text.size() <= most && !text.isAscii() && text.isLatin1()) texts.push_back(text.to8Bit(false));
    };
    for (const auto& id : kTexts) {
        const auto* frames = FramesOf(v2, id);
        if (frames == nullptr) continue;
        const auto* frame = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frames->front());
        if (frame == nullptr || frame->textEncoding() != TagLib::String::Latin1) continue;
        for (const auto& value : frame->fieldList()) add(value, kMaxFieldUnits);
    }
    if (const auto* frames = FramesOf(v2, kSylt)) {
        for (const TagLib::ID3v2::Frame* frame : *frames) {
            const auto* sylt = dynamic_cast<const TagLib::ID3v2::SynchronizedLyricsFrame*>(frame);
            if (sylt == nullptr || sylt->textEncoding() != TagLib::String::Latin1) continue;
            const auto& synched = sylt->synchedText();
            if (synched.size() > kMaxLyricsUnits) continue;
            for (const auto& entry : synched) add(entry.text, kMaxLyricsUnits);
        }
    }
    if (const auto* frames = FramesOf(v2, kUslt)) {
        for (const TagLib::ID3v2::Frame* frame : *frames) {
            const auto* uslt = dynamic_cast<const TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame);
            if (uslt != nullptr && uslt->textEncoding() == TagLib::String::Latin1)
                add(uslt->text(), kMaxLyricsUnits);
        }
    }
    if (v1 != nullptr) {
        for (const TagLib::String& field : {v1->title(), v1->artist(), v1->album()}) {
            if (field.isAscii() || !field.isLatin1()) continue;
            std::string bytes = field.to8Bit(false);
            // A lead byte left alone would count against every double-byte charset (Big5's characters
            // are cut where GB18030's are).
            if (bytes.size() == kId3v1FieldBytes)
                bytes.resize(WithoutCutCharacter(bytes, TagCharset::Gb18030).size());
            texts.push_back(std::move(bytes));
        }
    }
    if (texts.empty()) return TagCharset::Latin1;
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    return GuessTagCharset(views, codec);
}

std::optional<std::vector<std::string>> Id3v2Lyrics(const TagLib::ID3v2::Tag* tag, const Context& context) {
    static const TagLib::ByteVector kSylt("SYLT"), kUslt("USLT");
    if (const auto* frames = FramesOf(tag, kSylt)) {
        for (const TagLib::ID3v2::Frame* frame : *frames) {
            const auto* sylt = dynamic_cast<const TagLib::ID3v2::SynchronizedLyricsFrame*>(frame);
            if (sylt == nullptr) continue;
            double scale = 0.001;
            if (sylt->timestampFormat() != TagLib::ID3v2::SynchronizedLyricsFrame::AbsoluteMilliseconds) {
                if (context.sampleRate <= 0) continue;
                scale = kMpegFrameSamples / context.sampleRate;  // times in MPEG frames
            }
            const auto& synched = sylt->synchedText();
            std::size_t units = 0;
            for (const auto& entry : synched) units += entry.text.size();
            if (units > kMaxLyricsUnits || synched.size() > kMaxLyricsUnits) continue;
            const bool latin1 = sylt->textEncoding() == TagLib::String::Latin1;
            std::vector<std::pair<std::string, double>> entries;
            entries.reserve(synched.size());
            for (const auto& entry : synched) {
                entries.emplace_back(latin1 ? Latin1Text(entry.text, kMaxLyricsUnits, context)
                                            : Utf8(entry.text, kMaxLyricsUnits),
                                     entry.time * scale);
            }
            if (auto lines = LinesFromTimed(std::move(entries))) return lines;
        }
    }
    if (const auto* frames = FramesOf(tag, kUslt)) {
        for (const TagLib::ID3v2::Frame* frame : *frames) {
            const auto* uslt = dynamic_cast<const TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame);
            if (uslt == nullptr || uslt->text().size() > kMaxLyricsUnits) continue;
            const std::string text = uslt->textEncoding() == TagLib::String::Latin1
                                         ? Latin1Text(uslt->text(), kMaxLyricsUnits, context)
                                         : Utf8(uslt->text(), kMaxLyricsUnits);
            if (auto lines = LinesFromText(text, context.duration)) return lines;
        }
    }
    return std::nullopt;
}

// ID3v2 frames, and for each of title, artist and album that the ID3v2 tag lacks, the ID3v1 field.
Found FromId3(const TagLib::ID3v2::Tag* v2, const TagLib::ID3v1::Tag* v1, const Context& fileContext) {
    static const TagLib::ByteVector kTitle("TIT2"), kArtist("TPE1"), kAlbumArtist("TPE2"), kAlbum("TALB");
    Context context = fileContext;
    context.latin1 = Latin1CharsetOf(v2, v1, context.codec);
    std::optional<std::string> title = Id3v2Field(v2, kTitle, false, context);
    std::optional<std::string> artist = Id3v2Field(v2, kArtist, true, context);
    std::optional<std::string> album = Id3v2Field(v2, kAlbum, false, context);
    if (v1 != nullptr) {
        if (!title) title = Id3v1Field(v1->title(), context);
        if (!artist) artist = Id3v1Field(v1->artist(), context);
        if (!album) album = Id3v1Field(v1->album(), context);
    }
    Found found;
    found.title = title.value_or("");
    found.singer = artist.value_or("");
    if (found.singer.empty()) found.singer = Id3v2Field(v2, kAlbumArtist, true, context).value_or("");
    found.album = album.value_or("");
    if (auto lyrics = Id3v2Lyrics(v2, context)) found.lyrics = *std::move(lyrics);
    for (const auto& id : {kTitle, kArtist, kAlbumArtist, kAlbum}) {
        found.mayHaveDropped = found.mayHaveDropped || Id3v2Dropped(v2, id);
    }
    return found;
}

// ---- Vorbis comments, MP4 atoms, ASF attributes --------------------------------------------------

// Lyrics held whole in a tag's values (joined by line breaks).
std::vector<std::string> LyricsOf(const TagLib::StringList& values, double duration) {
    std::size_t units = 0;
    for (const auto& value : values) units += value.size() + 1;
    if (units > kMaxLyricsUnits + 1) return {};
    std::string text;
    for (const auto& value : values) {
        if (!text.empty()) text += '\n';
        text += value.to8Bit(true);
    }
    return LinesFromText(text, duration).value_or(std::vector<std::string>());
}

// Keys of one tag family: title, singers (the first key with a value wins), album, lyrics.
struct Keys {
    TagLib::String title;
    std::vector<TagLib::String> singers;
    TagLib::String album;
    std::vector<TagLib::String> lyrics;
};

// Found from a tag whose values values(key) gives (nullptr or an empty list when it has none).
template <typename ValuesOf>
Found FromKeys(const Keys& keys, ValuesOf values, const Context& context) {
    Found found;
    if (const TagLib::StringList* title = values(keys.title)) found.title = PlainField(*title, false);
    for (const auto& key : keys.singers) {
        if (const TagLib::StringList* singers = values(key)) found.singer = PlainField(*singers, true);
        if (!found.singer.empty()) break;
    }
    if (const TagLib::StringList* album = values(keys.album)) found.album = PlainField(*album, false);
    for (const auto& key : keys.lyrics) {
        const TagLib::StringList* lyrics = values(key);
        if (lyrics == nullptr || lyrics->isEmpty()) continue;
        found.lyrics = LyricsOf(*lyrics, context.duration);
        break;
    }
    return found;
}

Found FromXiph(const TagLib::Ogg::XiphComment& comment, const Context& context) {
    static const Keys kKeys{
        "TITLE", {"ARTIST", "ALBUMARTIST", "PERFORMER"}, "ALBUM", {"LYRICS", "UNSYNCEDLYRICS"}};
    const auto& map = comment.fieldListMap();
    return FromKeys(
        kKeys,
        [&](const TagLib::String& key) -> const TagLib::StringList* {
            const auto found = map.find(key);
            return found == map.end() ? nullptr : &found->second;
        },
        context);
}

Found FromMp4(const TagLib::MP4::Tag& tag, const Context& context) {
    // TagLib names atoms in Latin-1: "\251" is ©.
    static const Keys kKeys{"\251nam", {"\251ART", "aART"}, "\251alb", {"\251lyr"}};
    const auto& map = tag.itemMap();
    TagLib::StringList values;
    return FromKeys(
        kKeys,
        [&](const TagLib::String& key) -> const TagLib::StringList* {
            const auto found = map.find(key);
            if (found == map.end()) return nullptr;
            values = found->second.toStringList();
            return &values;
        },
        context);
}

Found FromAsf(const TagLib::ASF::Tag& tag, const Context& context) {
    // "Title" and "Author" are the content description's, not attributes.
    static const Keys kKeys{"Title", {"Author", "WM/AlbumArtist"}, "WM/AlbumTitle", {"WM/Lyrics"}};
    const auto& map = tag.attributeListMap();
    TagLib::StringList values;
    return FromKeys(
        kKeys,
        [&](const TagLib::String& key) -> const TagLib::StringList* {
            values.clear();
            if (key == kKeys.title) {
                values.append(tag.title());
            } else if (key == kKeys.singers[0]) {
                values.append(tag.artist());
            } else if (const auto found = map.find(key); found != map.end()) {
                for (const TagLib::ASF::Attribute& attribute : found->second) {
                    if (attribute.type() == TagLib::ASF::Attribute::UnicodeType)
                        values.append(attribute.toString());
                }
            }
            return &values;
        },
        context);
}

bool LacksAField(const Found& found) {
    return found.title.empty() || found.singer.empty() || found.album.empty();
}

Found FromXiphOrNothing(const TagLib::Ogg::XiphComment* comment, const Context& context) {
    Found found = comment != nullptr ? FromXiph(*comment, context) : Found{};
    found.mayHaveDropped = LacksAField(found);
    return found;
}

Found FromFile(TagLib::File& file, const Context& context) {
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file)) {
        Found found = FromId3(mpeg->hasID3v2Tag() ? mpeg->ID3v2Tag() : nullptr,
                              mpeg->hasID3v1Tag() ? mpeg->ID3v1Tag() : nullptr, context);
        if (mpeg->hasAPETag() && LacksAField(found)) found.mayHaveDropped = true;
        return found;
    }
    if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(&file)) {
        return FromId3(wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr, nullptr, context);
    }
    if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(&file)) {
        return FromId3(aiff->hasID3v2Tag() ? aiff->tag() : nullptr, nullptr, context);
    }
    if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(&file)) {
        if (mp4->hasMP4Tag() && mp4->tag() != nullptr) return FromMp4(*mp4->tag(), context);
        return {};
    }
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        return FromXiphOrNothing(flac->hasXiphComment() ? flac->xiphComment() : nullptr, context);
    }
    if (auto* asf = dynamic_cast<TagLib::ASF::File*>(&file)) {
        if (asf->tag() != nullptr) return FromAsf(*asf->tag(), context);
        return {};
    }
    if (dynamic_cast<TagLib::Ogg::File*>(&file) != nullptr) {  // Vorbis, Opus, Speex, Ogg FLAC
        return FromXiphOrNothing(dynamic_cast<const TagLib::Ogg::XiphComment*>(file.tag()), context);
    }
    return {};
}

// The audio in a file that is not what its name (kind) says, guessed by its content: the formats with a
// signature first, as TagLib's MPEG reader takes almost anything.
std::unique_ptr<TagLib::File> Guess(Kind kind, TagLib::IOStream* stream) {
    static constexpr Kind kGuesses[] = {Kind::Mp4,     Kind::Asf,   Kind::Flac, Kind::OggVorbis, Kind::Opus,
                                        Kind::OggFlac, Kind::Speex, Kind::Wav,  Kind::Aiff,      Kind::Mpeg};
    for (const Kind guess : kGuesses) {
        if (guess == kind || !LooksLike(guess, stream)) continue;
        std::unique_ptr<TagLib::File> audio = Open(guess, stream);
        if (IsAudio(audio.get())) return audio;
    }
    return nullptr;
}

// The texts of fields keys gives (the first key that has any), decoded in charset; several joined by
// "/" when join, else the first.
std::string RawField(const std::vector<RawTextField>& fields, std::initializer_list<std::string_view> keys,
                     bool join, TagCharset charset, const site::Codec& codec) {
    for (const std::string_view key : keys) {
        std::vector<std::string> texts;
        for (const RawTextField& field : fields) {
            if (field.key == key) texts.push_back(DecodeTagText(field.bytes, charset, codec));
        }
        std::string text = FieldOf(texts, join, [](const std::string& value) { return value; });
        if (!text.empty()) return text;
    }
    return {};
}

// Fills what found lacks from the fields TagLib dropped (fields marked UTF-8 that are not), decoded in
// the charset all of them together give.
void RecoverDropped(Found& found, const std::filesystem::path& file, const Context& context) {
    const std::vector<RawTextField> fields = ReadRawTextFields(file);
    if (fields.empty()) return;
    std::vector<std::string_view> texts;
    texts.reserve(fields.size());
    for (const RawTextField& field : fields) texts.push_back(field.bytes);
    const TagCharset charset = GuessTagCharset(texts, context.codec);
    const auto field = [&](std::initializer_list<std::string_view> keys, bool join) {
        return RawField(fields, keys, join, charset, context.codec);
    };
    if (found.title.empty()) found.title = field({"TITLE", "TIT2"}, false);
    if (found.singer.empty()) {
        found.singer = field({"ARTIST", "TPE1", "ALBUMARTIST", "ALBUM ARTIST", "TPE2", "PERFORMER"}, true);
    }
    if (found.album.empty()) found.album = field({"ALBUM", "TALB"}, false);
    if (!found.lyrics.empty()) return;
    for (const std::string_view key : {"LYRICS", "UNSYNCEDLYRICS", "USLT"}) {
        for (const RawTextField& raw : fields) {
            if (raw.key != key || raw.bytes.size() > kMaxLyricsBytes) continue;
            if (auto lines =
                    LinesFromText(DecodeTagText(raw.bytes, charset, context.codec), context.duration)) {
                found.lyrics = *std::move(lines);
                return;
            }
        }
    }
}

SongTags Combine(Found found, double duration, std::string_view relative) {
    // Without a title tag, the name gives the title, and the singer too when the tags have none.
    if (found.title.empty()) {
        SongTags name = TagsFromName(relative);
        found.title = std::move(name.title);
        if (found.singer.empty()) found.singer = std::move(name.singer);
    }
    SongTags tags;
    tags.title = std::move(found.title);
    tags.singer = std::move(found.singer);
    tags.album = std::move(found.album);
    tags.duration = duration > 0 ? duration : 0;
    tags.lyrics = std::move(found.lyrics);
    return tags;
}

double Seconds(const TagLib::AudioProperties& properties) {
    return properties.lengthInMilliseconds() / 1000.0;
}

}  // namespace

SongTags ReadTags(const std::filesystem::path& file, std::string_view relative, const site::Codec& codec) {
    // The stream is TagLib's own (on Windows it opens the wide path), opened once for every try below.
    TagLib::FileStream fileStream(file.c_str(), true);
    if (!fileStream.isOpen()) throw Unreadable("file cannot be opened");
    WindowStream stream(fileStream);
    if (stream.length() <= 0) throw Unreadable("file is empty");

    Kind kind = KindOfName(file.native());
    if (kind == Kind::Adts && TagLib::MP4::File::isSupported(&stream)) kind = Kind::Mp4;  // AAC in MP4
    std::unique_ptr<TagLib::File> audio;
    std::optional<AdtsAudio> adts;
    if (kind == Kind::Adts) {
        adts = ReadAdts(&stream);
    } else {
        audio = Open(kind, &stream);
    }
    if (!adts && !IsAudio(audio.get())) {
        audio.reset();
        audio = Guess(kind, &stream);
        if (!audio && kind != Kind::Adts) adts = ReadAdts(&stream);
        if (!audio && !adts) throw Unreadable("not an audio file TagLib can read");
    }

    if (adts) {
        // TagLib's MPEG reader, without its audio properties, finds the ID3v2 tag in front.
        Context context{codec, adts->sampleRate, adts->seconds};
        TagLib::MPEG::File tags(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        Found found = tags.hasID3v2Tag() ? FromId3(tags.ID3v2Tag(), nullptr, context) : Found{};
        if (found.mayHaveDropped && LacksAField(found)) RecoverDropped(found, file, context);
        return Combine(std::move(found), adts->seconds, relative);
    }
    const TagLib::AudioProperties& properties = *audio->audioProperties();
    Context context{codec, properties.sampleRate(), Seconds(properties)};
    Found found = FromFile(*audio, context);
    if (found.mayHaveDropped && LacksAField(found)) RecoverDropped(found, file, context);
    return Combine(std::move(found), context.duration, relative);
}

}  // namespace mulan::library

#include "library/catalogue.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "library/audio_files.h"
#include "library/lyric_lines.h"
#include "library/search_text.h"
#include "library/utf8_scan.h"

namespace mulan::library {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

[[noreturn]] void Fail(const std::string& message) {
    throw CatalogueError(message);
}

std::string ReadListingBytes(const fs::path& listing, const std::string& name) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(listing, error);
    if (error) Fail("cannot read " + name + ": " + error.message());
    if (size > kMaxListingBytes) Fail("cannot read " + name + ": larger than 16 MiB");
    std::ifstream in(listing, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in && !in.eof()) Fail("cannot read " + name + ": read failed");
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

Json ReadListing(const fs::path& listing) {
    const std::string name = Utf8FromPath(listing);
    const std::string bytes = ReadListingBytes(listing, name);
    try {
        // The parser skips a byte order mark and refuses strings that are not UTF-8.
        return Json::parse(bytes);
    } catch (const Json::exception& error) {
        Fail("cannot read " + name + ": " + error.what());
    }
}

const Json* Field(const Json& entry, const char* name) {
    const auto found = entry.find(name);
    return found == entry.end() ? nullptr : &*found;
}

// value as Python's repr() writes a text, for messages about paths.
std::string Quoted(std::string_view value) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "'";
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '\'') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out + "'";
}

bool IsIdText(std::string_view text) {
    if (text.empty() || text.size() > 10) return false;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    if (text.size() > 1 && text[0] == '0') return false;
    return std::stoll(std::string(text)) <= kMaxSongId;
}

std::string CheckId(const std::string& where, const Json* value) {
    std::string text;
    if (value && value->is_number_integer()) {
        text = value->dump();
    } else if (value && value->is_string()) {
        text = value->get<std::string>();
    }
    if (!IsIdText(text)) {
        Fail(where + ": id must be decimal digits without leading zeros, at most " +
             std::to_string(kMaxSongId));
    }
    return text;
}

bool IsBlank(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (!utf8::IsSpace(utf8::Next(text, i))) return false;
    }
    return true;
}

std::string CheckText(const std::string& where, const char* name, const Json* value, bool required) {
    if (!value && !required) return {};
    if (!value || !value->is_string() || (required && IsBlank(value->get_ref<const std::string&>()))) {
        Fail(where + ": " + name + " must be a" + (required ? " non-empty" : "") + " text");
    }
    std::string text = value->get<std::string>();
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        Fail(where + ": " + name + " must be one line");
    }
    return text;
}

std::string CheckRelative(const std::string& where, const char* name, const Json* value) {
    if (!value || !value->is_string() || value->get_ref<const std::string&>().empty()) {
        Fail(where + ": " + name + " must be a relative path");
    }
    const std::string& text = value->get_ref<const std::string&>();
    bool plain = text[0] != '/' && text.find_first_of(std::string_view("\\\0", 2)) == std::string::npos;
    for (std::size_t start = 0; plain && start <= text.size();) {
        const std::size_t slash = std::min(text.find('/', start), text.size());
        const std::string_view part = std::string_view(text).substr(start, slash - start);
        plain = part != "" && part != "." && part != "..";
        start = slash + 1;
    }
    if (!plain)
        Fail(where + ": " + name + " must be a plain relative path inside the catalogue: " + Quoted(text));
    return text;
}

// The file (free of links) that relative names under root.
fs::path ExistingFile(const fs::path& root, const std::string& where, const std::string& relative) {
    const fs::path path = root / PathFromUtf8(relative);
    if (!LiesInside(root, path)) Fail(where + ": " + relative + " leads outside the catalogue");
    std::error_code error;
    const fs::path real = fs::weakly_canonical(path, error);
    if (error || !fs::is_regular_file(real, error)) Fail(where + ": file not found: " + relative);
    return real;
}

// The .lrc beside the audio file, if there is one inside root.
std::optional<fs::path> SiblingLrc(const fs::path& root, const fs::path& audio) {
    fs::path lrc = audio;
    lrc.replace_extension(".lrc");
    std::error_code error;
    const fs::path real = fs::weakly_canonical(lrc, error);
    if (error || !LiesInside(root, real) || !fs::is_regular_file(real, error)) return std::nullopt;
    return real;
}

Catalogue::Entry EntryFrom(const fs::path& root, std::size_t index, const Json& entry) {
    std::string where = "song #" + std::to_string(index + 1);
    if (!entry.is_object()) Fail(where + ": not an object");
    const std::string id = CheckId(where, Field(entry, "id"));
    where = "song " + id;
    Catalogue::Entry out;
    out.song.id = std::stoll(id);
    out.song.title = CheckText(where, "title", Field(entry, "title"), true);
    out.song.singer = CheckText(where, "singer", Field(entry, "singer"), false);
    out.song.path = CheckRelative(where, "file", Field(entry, "file"));
    const fs::path audio = ExistingFile(root, where, out.song.path);
    if (const Json* lrc = Field(entry, "lrc")) {
        if (!lrc->is_null()) out.lrc = ExistingFile(root, where, CheckRelative(where, "lrc", lrc));
    } else {
        out.lrc = SiblingLrc(root, audio);
    }
    out.searchText = SearchTextOf(out.song);
    return out;
}

// Plain text only, without pinyin: the demo catalogue documents its searches' hit counts, and the
// player's tests are laid out on them.
bool Matches(const std::string& searchText, const std::vector<std::string>& words) {
    return std::all_of(words.begin(), words.end(),
                       [&](const std::string& word) { return searchText.find(word) != std::string::npos; });
}

}  // namespace

std::unique_ptr<Catalogue> Catalogue::Load(const fs::path& folder, const site::Codec& codec) {
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error || !fs::is_directory(root, error)) Fail("catalogue folder not found: " + Utf8FromPath(folder));
    const fs::path listing = root / kCatalogueFile;
    const Json data = ReadListing(listing);
    const Json* songs = data.is_object() ? Field(data, "songs") : nullptr;
    if (!songs || !songs->is_array())
        Fail(Utf8FromPath(listing) + ": expected an object with a \"songs\" list");
    std::vector<Entry> entries;
    entries.reserve(songs->size());
    for (std::size_t i = 0; i < songs->size(); ++i) entries.push_back(EntryFrom(root, i, (*songs)[i]));
    return std::unique_ptr<Catalogue>(new Catalogue(root, std::move(entries), codec));
}

bool Catalogue::HasListing(const fs::path& folder) {
    std::error_code error;
    return fs::exists(folder / kCatalogueFile, error);
}

Catalogue::Catalogue(fs::path root, std::vector<Entry> entries, const site::Codec& codec)
    : root_(std::move(root)), entries_(std::move(entries)), codec_(codec) {
    byId_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (!byId_.emplace(entries_[i].song.id, i).second) {
            Fail("duplicate song id " + std::to_string(entries_[i].song.id));
        }
    }
}

const Catalogue::Entry* Catalogue::Find(SongId id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : &entries_[found->second];
}

std::size_t Catalogue::Count() const {
    return entries_.size();
}

std::vector<Song> Catalogue::First(std::size_t limit) const {
    std::vector<Song> songs;
    songs.reserve(std::min(limit, entries_.size()));
    for (std::size_t i = 0; i < entries_.size() && i < limit; ++i) songs.push_back(entries_[i].song);
    return songs;
}

SearchPage Catalogue::Search(std::string_view key, std::size_t page) const {
    SearchPage result;
    const std::vector<std::string> words = SearchWords(key);
    if (words.empty()) return result;
    constexpr auto kSize = static_cast<std::size_t>(kPageSize);
    // Hits before the page asked for; a page that cannot exist shows none.
    const std::size_t skip = page == 0 || page - 1 > SIZE_MAX / kSize ? SIZE_MAX : (page - 1) * kSize;
    for (const Entry& entry : entries_) {
        if (!Matches(entry.searchText, words)) continue;
        if (result.total >= skip && result.songs.size() < kSize) result.songs.push_back(entry.song);
        ++result.total;
    }
    return result;
}

std::optional<Song> Catalogue::ById(SongId id) const {
    const Entry* entry = Find(id);
    if (!entry) return std::nullopt;
    return entry->song;
}

std::optional<std::vector<std::string>> Catalogue::Lyrics(const Song& song) const {
    const Entry* entry = Find(song.id);
    // Checked again: the folder may have changed since the listing was read.
    if (!entry || !entry->lrc || !LiesInside(root_, *entry->lrc)) return std::nullopt;
    return ReadLrcFile(*entry->lrc, codec_, entry->song.duration);
}

std::optional<fs::path> Catalogue::AudioFile(const Song& song) const {
    const Entry* entry = Find(song.id);
    if (!entry) return std::nullopt;
    const fs::path path = root_ / PathFromUtf8(entry->song.path);
    if (!LiesInside(root_, path)) return std::nullopt;
    std::error_code error;
    fs::path real = fs::weakly_canonical(path, error);
    if (error || !fs::is_regular_file(real, error)) return std::nullopt;
    return real;
}

}  // namespace mulan::library

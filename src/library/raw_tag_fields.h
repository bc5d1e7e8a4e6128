#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace mulan::library {

// A text field as its bytes stand in the file.
struct RawTextField {
    // Upper-case ASCII: Vorbis comment and APE item names ("TITLE", "ARTIST", "ALBUMARTIST", "LYRICS"),
    // ID3v2 frame ids ("TIT2", "TPE1", "TALB", "USLT").
    std::string key;
    // The field's value, raw: for ID3v2 and APE the first of several values; for USLT the text after
    // language and description.
    std::string bytes;
};

// Chinese taggers often wrote GBK bytes into fields that the formats define as UTF-8, and TagLib reads
// any such field as empty. These are found here in the file's own bytes, so that they can be decoded
// as what they are.
//
// The text fields of file's Vorbis comments (FLAC, Ogg Vorbis, Opus, Ogg FLAC, Speex), APE tag (at the
// end, or before an ID3v1 tag) and ID3v2.3/2.4 text frames (T***, USLT) marked UTF-8, whose bytes are
// not valid UTF-8: the ones TagLib reads as empty. Valid and empty fields are not returned; several
// Vorbis comments of one name each give a field, in file order. Reads only the tag areas, each value at
// most 1 MiB and a bounded number of fields; never throws for bad data (returns what came before the
// damage); a file that cannot be opened gives none.
std::vector<RawTextField> ReadRawTextFields(const std::filesystem::path& file);

// The same from bytes already in memory (tests, fuzzing): head is the start of the file (its first up
// to 256 KiB), tail its end (its last up to 64 KiB, for the APE tag); both the whole file if it is
// small. Fields that run past head are not returned.
std::vector<RawTextField> RawTextFieldsOf(std::string_view head, std::string_view tail);

}  // namespace mulan::library

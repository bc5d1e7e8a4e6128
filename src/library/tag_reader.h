#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "library/song_tags.h"
#include "site/codec.h"

namespace mulan::library {

// A file that cannot be read as audio; what() says why ("file cannot be opened", "file is empty",
// "not an audio file TagLib can read").
class Unreadable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The tags of the audio file at file, through TagLib: title, singer (artists joined by "/", else the
// album artist), album, length, and embedded lyrics as lines with times (ID3v2 SYLT, else USLT; MP4 ©lyr;
// Vorbis LYRICS or UNSYNCEDLYRICS; ASF WM/Lyrics). MP3 (ID3v2, else ID3v1 per field), M4A, AAC (ADTS:
// length, and an ID3v2 tag in front), FLAC, Ogg Vorbis, Opus, WMA and WAV (ID3v2 inside); the format is
// taken from the extension, and from the content when the file is not what its name says. Without a
// title tag, the title comes from relative's name ("singer - title.ext", else "title.ext"), and so does
// the singer when the tags have none.
//
// Chinese taggers often wrote GBK, GB18030 or Big5 bytes into ID3 text marked Latin-1 (ID3v2 frames
// marked ISO-8859-1, their lyrics, ID3v1): what all of a file's such texts are is decided once, from
// all of them together (GuessTagCharset), and each is read in it through codec. This is decided here,
// from the Latin-1 characters TagLib gives back byte for byte: nothing may install a TagLib Latin-1
// string handler (ID3v2::Tag::setLatin1StringHandler, ID3v1::Tag::setStringHandler) in a program that
// uses this. Fields marked UTF-8 that hold such bytes instead (Vorbis comments, APE items, ID3v2.4
// frames), which TagLib reads as empty, are read from the file's raw fields (ReadRawTextFields) the
// same way; failing that, the name gives the title.
//
// May be called from many threads at once (codec's members are const). Throws Unreadable for a file
// that is not readable audio.
SongTags ReadTags(const std::filesystem::path& file, std::string_view relative, const site::Codec& codec);

}  // namespace mulan::library

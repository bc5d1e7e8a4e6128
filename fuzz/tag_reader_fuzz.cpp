// Any bytes under any audio file name: the tag reader answers with tags (one line each, within their
// bounds, lyrics with a time on every line) or says why the file cannot be read, and never more.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_site.h"
#include "library/song_tags.h"
#include "library/tag_reader.h"

namespace {

constexpr const char* kNames[] = {"a.mp3", "a.m4a", "a.flac", "a.ogg", "a.opus", "a.wma", "a.wav", "a.aac"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    // The first byte picks the name, so that every reader sees every input.
    const std::string name = size == 0 ? kNames[0] : kNames[data[0] % std::size(kNames)];
    const auto folder =
        std::filesystem::temp_directory_path() / ("mulan-fuzz-tags-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto file = folder / name;
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const site::IconvCodec codec;
    try {
        const library::SongTags tags = library::ReadTags(file, name, codec);
        for (const std::string* text : {&tags.title, &tags.singer, &tags.album}) {
            fuzz::Check(text->size() <= library::kMaxFieldBytes, "a tag text beyond its bound");
            fuzz::Check(text->find_first_of("\r\n") == std::string::npos, "a tag text of more than one line");
        }
        for (const std::string& line : tags.lyrics)
            fuzz::Check(line.find('\n') == std::string::npos, "a lyric line with a break");
        fuzz::Check(tags.duration >= 0, "a negative duration");
    } catch (const library::Unreadable&) {
    }
    std::filesystem::remove(file);
    return 0;
}

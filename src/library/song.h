#pragma once

#include <cstdint>
#include <string>

namespace mulan::library {

// A song's id: the player keeps ids as signed 32-bit integers, so no id is ever larger.
using SongId = std::int64_t;
inline constexpr SongId kMaxSongId = 2147483647;

// Hits on one search page.
inline constexpr int kPageSize = 20;

// One song as the site's pages show it. Texts are UTF-8, one line each.
struct Song {
    SongId id = 0;
    std::string path;  // relative to its folder, '/'-separated, UTF-8
    std::string title;
    std::string singer;
    std::string album;
    double duration = 0;       // seconds; 0 when unknown
    std::uint32_t folder = 0;  // which of its library's folders holds it
};

}  // namespace mulan::library

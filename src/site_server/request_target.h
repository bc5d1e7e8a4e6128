#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "library/song.h"
#include "site/codec.h"

namespace mulan::site_server {

// A request target's path and raw query (what follows the first '?', empty without one). Both view
// the target.
struct TargetParts {
    std::string_view path;
    std::string_view query;
};

// An absolute-form target ("http://host/x?y") loses its scheme and host; without a path it is "/".
TargetParts SplitTarget(std::string_view target);

// The fields of a query by name, values still percent-encoded so that each reader decodes them with
// its own rules. The first occurrence of a name wins; a field without '=' has the empty value. Names
// and values view the query.
using QueryFields = std::map<std::string_view, std::string_view>;
QueryFields ParseQuery(std::string_view query);

// The bytes raw stands for, as the player escapes them: "%XY" is one byte, and so is "%X" when no
// second hex digit follows (the player writes bytes below 16 that way). Every other character stands
// for itself, '+' included. nullopt when a '%' is followed by no hex digit.
std::optional<std::string> PercentDecode(std::string_view raw);

// A query value (the search words) percent-decoded and read as GBK, in UTF-8; nullopt when the
// escapes are malformed or the bytes are not GBK.
std::optional<std::string> DecodeGbkValue(const site::Codec& codec, std::string_view raw);

// Page numbers beyond this are all the same: past the last page of any library.
inline constexpr std::size_t kMaxPageNumber = 1'000'000'000;

// The "page" field: empty is page 1, so is 0; leading zeros are fine; numbers beyond kMaxPageNumber
// are kMaxPageNumber. nullopt when it is not all digits.
std::optional<std::size_t> PageNumber(std::string_view raw);

// The id of a play page path "/play/ID.htm": ID in decimal, as the site writes it (no leading zeros,
// "+" or "-") and no larger than any id can be. nullopt for every other path.
std::optional<library::SongId> PlayPageId(std::string_view path);

// The number of a lyrics page path "/geci/N.htm", N being 1 to 12 decimal digits: the player asks by
// the id's integer value, so leading zeros do not matter. May exceed every id. nullopt for every
// other path.
std::optional<std::int64_t> LyricsPageNumber(std::string_view path);

// The song id of an audio file path "/music/ID/NAME", ID as in play page paths and NAME a single
// segment of any other bytes, not looked at here: the song is found by its id, so that no request can
// name a file. nullopt for every other path.
std::optional<library::SongId> MediaSongId(std::string_view path);

}  // namespace mulan::site_server

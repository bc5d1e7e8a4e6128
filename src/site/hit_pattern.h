#pragma once

#include <cstddef>
#include <vector>

#include "base/text.h"

namespace mulan::site {

// One match of the song link pattern: where the whole match lies and where its first group lies.
struct HitMatch {
    size_t begin = 0;
    size_t end = 0;
    size_t groupBegin = 0;
    size_t groupEnd = 0;
};

// All non-overlapping matches, left to right, of the site's song link pattern
//   href=[\"\'\s]?http://([^\s]+)(.*?)\b[\"\'\s]?(.*?)>(.*?)</a>
// with case-insensitive letters, \s = [ \t\n\v\f\r], \b between [A-Za-z0-9_] and anything else, and
// "." matching everything but the line feed: the results a backtracking engine gives, found in
// linear time and constant stack on any text.
std::vector<HitMatch> FindHitMatches(TextView text);

}  // namespace mulan::site

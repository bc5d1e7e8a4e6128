#include "app/like_pattern.h"

namespace mulan::app {

namespace {

// Matches one pattern element at p against c; advances p past the element. False when it fails.
bool MatchOne(TextView pattern, size_t& p, char16_t c) {
    const char16_t head = pattern[p];
    if (head == u'?') {
        ++p;
        return true;
    }
    if (head == u'#') {
        ++p;
        return c >= u'0' && c <= u'9';
    }
    if (head == u'[') {
        const size_t close = pattern.find(u']', p + 1);
        if (close != TextView::npos) {
            TextView list = pattern.substr(p + 1, close - p - 1);
            p = close + 1;
            const bool negate = !list.empty() && list.front() == u'!';
            if (negate) list.remove_prefix(1);
            bool found = false;
            for (size_t i = 0; i < list.size() && !found; ++i) {
                if (i + 2 < list.size() && list[i + 1] == u'-') {
                    found = c >= list[i] && c <= list[i + 2];
                    i += 2;
                } else {
                    found = c == list[i];
                }
            }
            return found != negate;
        }
    }
    ++p;
    return c == head;
}

}  // namespace

bool LikePattern(TextView text, TextView pattern) {
    size_t t = 0, p = 0;
    // Where to resume after the last "*": the pattern just past it and the text it has taken so far.
    size_t starP = TextView::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = ++p;
            starT = t;
            continue;
        }
        size_t next = p;
        if (p < pattern.size() && MatchOne(pattern, next, text[t])) {
            p = next;
            ++t;
            continue;
        }
        if (starP == TextView::npos) return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace mulan::app

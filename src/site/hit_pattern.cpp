#include "site/hit_pattern.h"

#include <optional>
#include <string_view>

namespace mulan::site {

namespace {

// How a backtracking engine settles the pattern, which the matcher below computes directly:
//
// After "http://", group 1 first takes the whole run of non-white-space (ending at e0), then gives
// characters back. Everything after group 1 is built from ".*?", which cannot cross a line feed,
// except the optional [\"\'\s] after \b, which can take the line feed that ends the line.
// Within one line, the tail "\b [\"\'\s]? .*? > .*? </a>" succeeds from a position x exactly when a
// word boundary b >= x exists with b <= X, where X is the last ">" before the line's last "</a>"
// (the line's limit). So for a group end e the earliest boundary at or after e decides, and the
// first group end that works, counting down from e0, is e0 itself when a boundary lies in
// [e0, X], otherwise the last boundary at or before X. Crossing the line feed (a word character
// just before it, and a ">" followed by "</a>" on the next line) does not depend on the group end,
// so it is tried only for e0, after the boundaries within the line, as the engine tries it.
//
// Each line's limit and last boundary are found once, and the runs of non-white-space are
// measured once, because the candidate positions only move forward.

constexpr size_t kNone = TextView::npos;

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool IsWord(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool IsQuoteOrSpace(char16_t c) {
    return c == u'"' || c == u'\'' || IsSpace(c);
}

char16_t FoldCase(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

// lowerLiteral is in lower case; the text may be in either.
bool LiteralAt(TextView text, size_t at, std::u16string_view lowerLiteral) {
    if (at > text.size() || text.size() - at < lowerLiteral.size()) return false;
    for (size_t i = 0; i < lowerLiteral.size(); ++i) {
        if (FoldCase(text[at + i]) != lowerLiteral[i]) return false;
    }
    return true;
}

constexpr std::u16string_view kHref = u"href=";
constexpr std::u16string_view kHttp = u"http://";
constexpr std::u16string_view kCloseA = u"</a>";

class HitMatcher {
  public:
    explicit HitMatcher(TextView text) : text_(text) {}

    std::vector<HitMatch> FindAll() {
        std::vector<HitMatch> matches;
        size_t pos = 0;
        while (pos < text_.size()) {
            if (!LiteralAt(text_, pos, kHref)) {
                ++pos;
                continue;
            }
            if (const auto match = MatchAt(pos)) {
                matches.push_back(*match);
                pos = match->end;
            } else {
                ++pos;
            }
        }
        return matches;
    }

  private:
    struct Line {
        size_t lo = 0;         // first position asked about; no later question lies before it
        size_t end = 0;        // the line feed ending the line, or the text's end
        size_t limit = kNone;  // last ">" before the last "</a>", at or after lo
        size_t lastBoundary = kNone;
        bool boundaryKnown = false;
    };

    bool BoundaryAt(size_t b) const {
        const bool before = b > 0 && IsWord(text_[b - 1]);
        const bool after = b < text_.size() && IsWord(text_[b]);
        return before != after;
    }

    Line MakeLine(size_t lo) const {
        Line line;
        line.lo = lo;
        line.end = text_.find(u'\n', lo);
        if (line.end == kNone) line.end = text_.size();
        size_t lastClose = kNone;
        for (size_t h = line.end; h > lo;) {
            --h;
            if (h + kCloseA.size() <= line.end && LiteralAt(text_, h, kCloseA)) {
                lastClose = h;
                break;
            }
        }
        if (lastClose == kNone) return line;
        for (size_t g = lastClose; g > lo;) {
            --g;
            if (text_[g] == u'>') {
                line.limit = g;
                break;
            }
        }
        return line;
    }

    size_t LastBoundary(Line& line) const {
        if (!line.boundaryKnown) {
            line.boundaryKnown = true;
            if (line.limit != kNone) {
                for (size_t b = line.limit + 1; b > line.lo;) {
                    --b;
                    if (BoundaryAt(b)) {
                        line.lastBoundary = b;
                        break;
                    }
                }
            }
        }
        return line.lastBoundary;
    }

    Line& LineAt(size_t pos) {
        if (current_ && pos >= current_->lo && pos <= current_->end) return *current_;
        if (next_ && pos >= next_->lo && pos <= next_->end) {
            current_ = next_;
        } else {
            current_ = MakeLine(pos);
        }
        next_.reset();
        return *current_;
    }

    Line& LineAfter(const Line& line) {
        const size_t lo = line.end + 1;
        if (!next_ || next_->lo != lo) next_ = MakeLine(lo);
        return *next_;
    }

    // End of the run of non-white-space that starts at or before from.
    size_t RunEnd(size_t from) {
        if (from < runEnd_ && from >= runStart_) return runEnd_;
        size_t end = from;
        while (end < text_.size() && !IsSpace(text_[end])) ++end;
        runStart_ = from;
        runEnd_ = end;
        return end;
    }

    // The tail after the optional quote: the first ">" from tailStart, then the first "</a>" after it.
    // The line's limit guarantees both; the bounds only keep a broken guarantee from running away.
    std::optional<HitMatch> Finish(size_t begin, size_t groupBegin, size_t groupEnd, size_t tailStart) const {
        const size_t gt = text_.find(u'>', tailStart);
        if (gt == kNone) return std::nullopt;
        size_t close = gt + 1;
        while (close < text_.size() && !LiteralAt(text_, close, kCloseA)) ++close;
        if (close >= text_.size()) return std::nullopt;
        return HitMatch{begin, close + kCloseA.size(), groupBegin, groupEnd};
    }

    std::optional<HitMatch> MatchAt(size_t p) {
        size_t q = p + kHref.size();
        if (q < text_.size() && IsQuoteOrSpace(text_[q])) ++q;
        if (!LiteralAt(text_, q, kHttp)) return std::nullopt;
        const size_t s1 = q + kHttp.size();
        if (s1 >= text_.size() || IsSpace(text_[s1])) return std::nullopt;
        const size_t e0 = RunEnd(s1);
        Line& line = LineAt(s1);
        const size_t limit = line.limit;
        const size_t last = LastBoundary(line);

        if (last != kNone && last >= e0) {
            size_t b = e0;
            while (!BoundaryAt(b)) ++b;
            const bool takeQuote = IsQuoteOrSpace(text_[b]) && b + 1 <= limit;
            return Finish(p, s1, e0, takeQuote ? b + 1 : b);
        }
        if (line.end < text_.size() && IsWord(text_[line.end - 1])) {
            const size_t nextStart = line.end + 1;
            if (LineAfter(line).limit != kNone) return Finish(p, s1, e0, nextStart);
        }
        if (last != kNone && last >= s1 + 1) {
            const bool takeQuote = IsQuoteOrSpace(text_[last]) && last + 1 <= limit;
            return Finish(p, s1, last, takeQuote ? last + 1 : last);
        }
        return std::nullopt;
    }

    TextView text_;
    std::optional<Line> current_;
    std::optional<Line> next_;
    size_t runStart_ = 0;
    size_t runEnd_ = 0;
};

}  // namespace

std::vector<HitMatch> FindHitMatches(TextView text) {
    return HitMatcher(text).FindAll();
}

}  // namespace mulan::site

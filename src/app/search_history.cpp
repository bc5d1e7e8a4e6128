#include "app/search_history.h"

#include <algorithm>

#include "app/like_pattern.h"

namespace mulan::app {

bool SearchHistory::Remember(TextView words) {
    if (std::find(entries_.begin(), entries_.end(), words) != entries_.end()) return false;
    entries_.emplace_back(words);
    return true;
}

std::optional<Text> SearchHistory::CompletionOf(TextView typed) const {
    if (typed.find_first_not_of(u' ') == TextView::npos) return std::nullopt;
    const Text pattern = Text(typed) + u"*";
    for (const Text& entry : entries_) {
        if (LikePattern(entry, pattern)) return entry;
    }
    return std::nullopt;
}

}  // namespace mulan::app

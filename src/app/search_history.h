#pragma once

#include <optional>
#include <vector>

#include "base/text.h"

namespace mulan::app {

// The words searched for from the search box, oldest first, as its drop-down list shows them.
class SearchHistory {
  public:
    // Keeps words unless they are there already; entries compare case-sensitively, so texts that
    // differ only in case are kept apart. True when they were added.
    bool Remember(TextView words);
    // The first entry the typed text begins, read as a wildcard pattern; nothing when the text is
    // only spaces or no entry fits.
    std::optional<Text> CompletionOf(TextView typed) const;
    const std::vector<Text>& Entries() const { return entries_; }

  private:
    std::vector<Text> entries_;
};

}  // namespace mulan::app

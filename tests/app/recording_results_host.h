#pragma once

#include <functional>
#include <vector>

#include "app/results_host.h"
#include "base/text.h"

namespace mulan::app {

// A results host that writes every request down, in order.
class RecordingResultsHost final : public ResultsHost {
  public:
    std::vector<Text> calls;

    void AddToPlaylist(const site::SearchResult& result) override {
        calls.push_back(u"add " + result.id + u" " + result.name);
    }
    void PlayResult(const site::SearchResult& result, ResultStart start, TextView caption) override {
        const TextView how = start == ResultStart::Menu ? u"menu" : u"double-click";
        calls.push_back(u"play " + Text(how) + u" " + result.id + u" " + result.name + u" | " +
                        Text(caption));
    }
};

}  // namespace mulan::app

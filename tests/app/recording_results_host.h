#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "app/results_host.h"

namespace mulan::app {

// A results host that keeps a playlist of titles and writes every call down, in order.
class RecordingResultsHost final : public ResultsHost {
  public:
    std::vector<Text> calls;
    std::vector<Text> titles;
    // What ResolveSongAddress answers; nothing means the site gave no address.
    std::optional<Text> address = Text(u"http://media/1.mp3");
    TrayNotice lastNotice;
    // Runs inside ResolveSongAddress, as other events may while the page is fetched.
    std::function<void()> whileResolving;

    int32_t AddToPlaylist(TextView name, TextView id) override {
        titles.emplace_back(name);
        calls.push_back(u"add " + Text(id) + u" " + Text(name));
        return PlaylistCount();
    }
    int32_t PlaylistCount() const override { return static_cast<int32_t>(titles.size()); }
    Text PlaylistTitle(int16_t index) const override {
        return index >= 0 && index < PlaylistCount() ? titles[static_cast<size_t>(index)] : Text();
    }
    void SetPlaylistPlayIndex(int16_t index) override { calls.push_back(u"index " + Number(index)); }
    void SetPlaylistPlayingColour(uint32_t colour) override { calls.push_back(u"colour " + Number(colour)); }
    std::optional<Text> ResolveSongAddress(TextView id) override {
        calls.push_back(u"resolve " + Text(id));
        if (whileResolving) whileResolving();
        return address;
    }
    bool FetchLyrics(TextView id) override {
        calls.push_back(u"lyrics " + Text(id));
        return true;
    }
    void SetPlayerURL(TextView url) override { calls.push_back(u"url " + Text(url)); }
    void SetStatusPanel1(TextView text) override { calls.push_back(u"panel1 " + Text(text)); }
    void ShowTrayNotice(const TrayNotice& notice) override {
        lastNotice = notice;
        calls.push_back(u"tray " + notice.tip + u" | " + notice.balloon);
    }
    void SetNowPlayingTitle(TextView title) override { calls.push_back(u"title " + Text(title)); }
    void SetPauseCaption(TextView caption) override { calls.push_back(u"zant " + Text(caption)); }

  private:
    static Text Number(int64_t n) { return Utf8ToText(std::to_string(n)); }
};

}  // namespace mulan::app

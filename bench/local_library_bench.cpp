// This computer's music in the player: the first scan of a big library by LocalLibrary, and how long a
// search through the in-process transport takes while that scan runs (the window searches then).
//
// Usage: local-library-bench MUSIC_FOLDER [INDEX_FILE]   (bench/local_library.sh makes the folder)
// The index is made anew. Prints the figures beside their goals; nothing fails on a figure.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/local_library.h"
#include "site/iconv_codec_linux.h"
#include "site/request_address.h"
#include "site/search.h"
#include "site/site_error.h"
#include "site_server/library_transport.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace mulan;

double Milliseconds(Clock::duration length) {
    return std::chrono::duration<double, std::milli>(length).count();
}

class Events final : public app::LibraryEvents {
  public:
    void ScanProgress(std::size_t done, std::size_t total) override {
        std::lock_guard hold(lock_);
        done_ = done;
        total_ = total;
    }
    void ScanFinished(const library::ScanSummary& summary, bool firstScan) override {
        std::lock_guard hold(lock_);
        summary_ = summary;
        first_ = firstScan;
        finished_ = true;
        came_.notify_all();
    }
    void Report(Text line) override { std::printf("report: %s\n", TextToUtf8(line).c_str()); }

    bool Finished() {
        std::lock_guard hold(lock_);
        return finished_;
    }
    void WaitFinished() {
        std::unique_lock hold(lock_);
        came_.wait(hold, [&] { return finished_; });
    }
    library::ScanSummary Summary() {
        std::lock_guard hold(lock_);
        return summary_;
    }
    bool First() {
        std::lock_guard hold(lock_);
        return first_;
    }

  private:
    std::mutex lock_;
    std::condition_variable came_;
    bool finished_ = false;
    bool first_ = false;
    std::size_t done_ = 0, total_ = 0;
    library::ScanSummary summary_;
};

// Nothing but the library is asked in this program.
class NoNetwork final : public site::Transport {
  public:
    void Get(std::string_view address, site::BodySink&, site::MessagePump&) override {
        throw site::SiteError("no network here: " + std::string(address));
    }
};

struct Spread {
    double median = 0, p95 = 0, worst = 0;
};

Spread SpreadOf(std::vector<double> times) {
    if (times.empty()) return {};
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 95 / 100], times.back()};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MUSIC_FOLDER [INDEX_FILE]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path music = argv[1];
    const std::filesystem::path index =
        argc > 2 ? std::filesystem::path(argv[2])
                 : std::filesystem::temp_directory_path() / "mulan-bench-library.db";
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(std::filesystem::path(index).concat(suffix));

    site::IconvCodec codec;
    Events events;
    NoNetwork network;
    app::LocalLibrary library({music}, index, codec, events);
    site_server::LibraryTransport transport(library, codec, network);
    site::NoMessagePump pump;
    site::SiteAccess access{transport, codec, pump, site_server::LibraryHosts()};
    // The start-up search's page, and a Chinese word, as the window would ask them.
    const std::vector<std::string> addresses = {
        site::RequestAddress(site::FirstSearchPageAddress(access, u"u")),
        site::RequestAddress(site::FirstSearchPageAddress(access, u"爱")),
    };
    const auto search = [&](std::size_t n) {
        const Clock::time_point began = Clock::now();
        const std::string page = site::GetBody(transport, addresses[n % addresses.size()], pump);
        return std::pair{Milliseconds(Clock::now() - began), page.size()};
    };

    const Clock::time_point started = Clock::now();
    library.Start();
    std::vector<double> during;
    double firstSongs = -1;
    for (std::size_t n = 0; !events.Finished(); ++n) {
        during.push_back(search(n).first);
        if (firstSongs < 0 && library.Count() > 0) firstSongs = Milliseconds(Clock::now() - started);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    events.WaitFinished();
    const double scan = Milliseconds(Clock::now() - started);
    const library::ScanSummary summary = events.Summary();
    std::vector<double> after;
    for (std::size_t n = 0; n < 200; ++n) after.push_back(search(n).first);

    const Spread whileScanning = SpreadOf(during), idle = SpreadOf(after);
    std::printf("library: %s, %zu songs served\n", music.string().c_str(), library.Count());
    std::printf("first scan: %.2f s (first scan: %s) - %s\n", scan / 1000, events.First() ? "yes" : "no",
                summary.Line().c_str());
    std::printf("first songs searchable after: %.0f ms\n", firstSongs);
    std::printf(
        "search through the in-process transport during the scan (%zu searches): median %.1f ms, "
        "p95 %.1f ms, worst %.1f ms (goal < 200 ms: %.2fx)\n",
        during.size(), whileScanning.median, whileScanning.p95, whileScanning.worst,
        whileScanning.worst / 200.0);
    std::printf(
        "search after the scan (%zu searches): median %.1f ms, p95 %.1f ms, worst %.1f ms; "
        "worst during / median after: %.1fx\n",
        after.size(), idle.median, idle.p95, idle.worst,
        idle.median > 0 ? whileScanning.worst / idle.median : 0.0);
    return 0;
}

#include "site_server/site_main.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <thread>

#include "library/audio_files.h"
#include "library/catalogue.h"
#include "library/folder_listing.h"
#include "library/music_library.h"
#include "site_server/site_options.h"
#include "site_server/site_server.h"
#include "site_server/stop_signal.h"

namespace mulan::site_server {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kIndexName[] = ".mulan-site.db";
// Progress lines on standard error come this often: a log, not a flood.
constexpr auto kProgressInterval = std::chrono::seconds(5);

void Say(const std::string& line) {
    std::fprintf(stderr, "mulan-site: %s\n", line.c_str());
    std::fflush(stderr);
}

// What a scan passes over and how far it has come, on standard error.
class StderrScanReport final : public library::ScanReport {
  public:
    void Skipped(std::string_view path, std::string_view reason) override {
        Say("skipped " + std::string(path) + ": " + std::string(reason));
    }
    void Progress(std::size_t done, std::size_t total) override {
        const auto now = Clock::now();
        if (done < total && now - shown_ < kProgressInterval) return;
        shown_ = now;
        const double seconds = std::chrono::duration<double>(now - started_).count();
        char line[128];
        std::snprintf(line, sizeof line, "indexing %zu/%zu files, %.0f files/s", done, total,
                      seconds > 0 ? static_cast<double>(done) / seconds : 0.0);
        Say(line);
    }

  private:
    Clock::time_point started_ = Clock::now();
    Clock::time_point shown_ = Clock::now();
};

// The ready line, also written whole (by rename) into the ready file.
void Announce(const SiteOptions& options, const library::PageHosts& bound, std::size_t songs) {
    const std::string line = "ready site=" + bound.site + " search=" + bound.search +
                             " media=" + bound.media + " songs=" + std::to_string(songs);
    if (options.readyFile) {
        const auto path = library::PathFromUtf8(*options.readyFile);
        auto temporary = path;
        temporary += ".tmp";
        {
            std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
            file << line << '\n';
        }
        std::error_code error;
        std::filesystem::rename(temporary, path, error);
        if (error) Say("cannot write the ready file: " + error.message());
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

struct OpenedSongs {
    std::unique_ptr<library::SongSource> songs;
    library::MusicLibrary* library = nullptr;  // the same, when it is a music folder
};

OpenedSongs OpenSongs(const SiteOptions& options, const site::Codec& codec) {
    std::vector<std::filesystem::path> folders;
    for (const auto& folder : options.folders) {
        folders.push_back(library::PathFromUtf8(folder));
        std::error_code error;
        if (!std::filesystem::is_directory(folders.back(), error))
            throw std::runtime_error("music folder not found: " + folder);
    }
    if (folders.size() == 1 && library::Catalogue::HasListing(folders.front()))
        return {library::Catalogue::Load(folders.front(), codec), nullptr};
    const auto index =
        options.database ? library::PathFromUtf8(*options.database) : folders.front() / kIndexName;
    auto music = std::make_unique<library::MusicLibrary>(folders, index, codec);
    auto* library = music.get();
    return {std::move(music), library};
}

HostChoice HostsOf(const SiteOptions& options) {
    HostChoice hosts;
    hosts.site = options.siteHost;
    hosts.search = options.searchHost;
    hosts.media = options.mediaHost;
    return hosts;
}

}  // namespace

int RunSite(const std::vector<std::string>& args, const site::Codec& codec) {
    SiteOptions options;
    try {
        options = ParseSiteOptions(args);
    } catch (const std::invalid_argument& failure) {
        std::fprintf(stderr, "%smulan-site: error: %s\n", kSiteUsage, failure.what());
        return 2;
    }
    if (options.help) {
        std::printf("%s", kSiteUsage);
        return 0;
    }
    CatchStopSignals();
    OpenedSongs opened;
    try {
        opened = OpenSongs(options, codec);
    } catch (const std::exception& failure) {
        Say(failure.what());
        return 2;
    }
    std::unique_ptr<RequestLog> log;
    if (options.log && !(log = RequestLog::Open(library::PathFromUtf8(*options.log)))) {
        Say("cannot open log: " + *options.log);
        return 2;
    }
    SiteServer server(*opened.songs, codec, log.get(), HostsOf(options));
    try {
        server.Bind(options.bind, options.ports);
    } catch (const BindError& failure) {
        Say(failure.what());
        return 1;
    }
    server.Start();
    std::atomic<bool> stopping{false};
    std::thread scan;
    if (opened.library) {
        scan = std::thread([&] {
            try {
                StderrScanReport report;
                const auto summary = opened.library->Scan(report, stopping);
                if (summary.stopped) return;
                Say(summary.Line());
            } catch (const std::exception& failure) {
                // The site goes on serving what is indexed.
                Say(std::string("indexing failed: ") + failure.what());
            }
            if (!stopping) Announce(options, server.BoundHosts(), opened.songs->Count());
        });
    } else {
        Announce(options, server.BoundHosts(), opened.songs->Count());
    }
    WaitForStopSignal();
    stopping = true;
    server.Stop();
    if (scan.joinable()) scan.join();
    if (options.readyFile) {
        std::error_code error;
        std::filesystem::remove(library::PathFromUtf8(*options.readyFile), error);
    }
    return 0;
}

}  // namespace mulan::site_server

#include "cli/cli_app.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "base/download_name.h"
#include "base/version.h"
#include "site/encode_query.h"
#include "site/lyrics.h"
#include "site/request_address.h"
#include "site/search.h"
#include "site/site_access.h"
#include "site/site_error.h"
#include "site/song_address.h"
#include "site/text_cut.h"

namespace mulan::cli {

namespace {

constexpr char kUsage[] =
    "usage: mulan-cli [--site-host H] [--search-host H] [--media-host H] COMMAND ARGS\n"
    "       mulan-cli --help | -h | --version\n"
    "commands:\n"
    "  encode TEXT              the search key for TEXT\n"
    "  search WORDS...          hits as ID<TAB>NAME, the final status on standard error\n"
    "  resolve ID               the audio address of a song\n"
    "  lyrics ID                the lyric lines of a song\n"
    "  download ID [-o FILE]    saves the audio file of a song (-o -: to standard output)\n";

struct UsageError {
    std::string message;
};

std::string Utf8(TextView text) {
    return TextToUtf8(text);
}

// Remembers the first failed request, which the scraper itself reads as an empty page.
class WatchedTransport final : public site::Transport {
  public:
    explicit WatchedTransport(site::Transport& inner) : inner_(inner) {}
    void Get(std::string_view address, site::BodySink& sink, site::MessagePump& pump) override {
        try {
            inner_.Get(address, sink, pump);
        } catch (const site::SiteError& error) {
            if (!failure) failure = error.what();
            throw;
        }
    }
    std::optional<std::string> failure;

  private:
    site::Transport& inner_;
};

// The command line's stand-in for the results window, its caption and the status bar.
class SearchPrinter final : public site::HitSink, public site::SearchStatusSink, public site::SearchBox {
  public:
    SearchPrinter(Text words, std::ostream& out, std::ostream& err, bool showProgress)
        : words_(std::move(words)), out_(out), err_(err), showProgress_(showProgress) {}

    void AddToPlaylist(const site::SearchResult& hit) override { AddResultRow(hit); }
    int32_t PlaylistCount() override { return rows_; }
    void AddResultRow(const site::SearchResult& hit) override {
        out_ << Utf8(hit.id) << '\t' << Utf8(hit.name) << '\n';
        ++rows_;
    }
    int32_t ResultRowCount() override { return rows_; }
    void FinishResultsList() override { out_.flush(); }
    void SetResultsCaption(TextView caption) override {
        if (showProgress_) err_ << Utf8(caption) << '\n';
    }
    void SetStatusPanel2(TextView text) override { status_ = text; }
    Text CurrentText() override { return words_; }

    const Text& Status() const { return status_; }

  private:
    Text words_;
    std::ostream& out_;
    std::ostream& err_;
    bool showProgress_;
    int32_t rows_ = 0;
    Text status_;
};

// Writes the body to the stream it opens once the server has answered with the file, and draws a
// progress bar on a terminal.
class DownloadSink final : public site::BodySink {
  public:
    DownloadSink(std::function<std::ostream&()> open, std::string name, std::ostream& err, bool showProgress)
        : open_(std::move(open)), name_(std::move(name)), err_(err), showProgress_(showProgress) {}

    void Begin(int status, std::optional<uint64_t> length) override {
        if (status != 200) throw site::SiteError("HTTP status " + std::to_string(status));
        length_ = length;
        stream_ = &open_();
        if (!*stream_) throw site::SiteError("cannot write " + name_);
    }
    void Write(std::string_view bytes) override {
        stream_->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!*stream_) throw site::SiteError("cannot write " + name_);
        written_ += bytes.size();
        DrawProgress();
    }
    void Finish() {
        if (!stream_) throw site::SiteError("no answer");
        stream_->flush();
        if (!*stream_) throw site::SiteError("cannot write " + name_);
        if (showProgress_) err_ << '\n';
    }

  private:
    void DrawProgress() {
        if (!showProgress_) return;
        constexpr int kWidth = 40;
        if (length_ && *length_ > 0) {
            const uint64_t shown = written_ > *length_ ? *length_ : written_;
            const int filled = static_cast<int>(shown * kWidth / *length_);
            err_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
                 << std::string(static_cast<size_t>(kWidth - filled), '.') << "] " << shown * 100 / *length_
                 << "% " << written_ << " bytes" << std::flush;
        } else {
            err_ << "\r" << written_ << " bytes" << std::flush;
        }
    }

    std::function<std::ostream&()> open_;
    std::string name_;
    std::ostream& err_;
    bool showProgress_;
    std::optional<uint64_t> length_;
    std::ostream* stream_ = nullptr;
    uint64_t written_ = 0;
};

std::string PathText(const std::filesystem::path& path) {
    const auto name = path.u8string();
    return std::string(name.begin(), name.end());
}

// Asked for by an option in place of a command.
constexpr char16_t kHelpCommand[] = u"--help";
constexpr char16_t kVersionCommand[] = u"--version";

struct Invocation {
    site::SiteHosts hosts = site::SiteHosts::Local();
    Text command;
    std::vector<Text> operands;
};

Invocation Parse(const std::vector<Text>& args) {
    Invocation call;
    size_t i = 0;
    for (; i < args.size() && args[i].starts_with(u"-"); ++i) {
        if (args[i] == u"-h" || args[i] == kHelpCommand || args[i] == kVersionCommand) {
            call.command = args[i] == kVersionCommand ? kVersionCommand : kHelpCommand;
            return call;
        }
        Text* host = args[i] == u"--site-host"     ? &call.hosts.site
                     : args[i] == u"--search-host" ? &call.hosts.search
                     : args[i] == u"--media-host"  ? &call.hosts.media
                                                   : nullptr;
        if (!host) throw UsageError{"unknown option " + Utf8(args[i])};
        if (i + 1 >= args.size()) throw UsageError{Utf8(args[i]) + " needs a host"};
        *host = args[++i];
    }
    if (i >= args.size()) throw UsageError{"no command"};
    call.command = args[i++];
    call.operands.assign(args.begin() + static_cast<ptrdiff_t>(i), args.end());
    return call;
}

const Text& OneOperand(const Invocation& call) {
    if (call.operands.size() != 1) throw UsageError{Utf8(call.command) + " takes exactly one argument"};
    return call.operands[0];
}

int Search(const Invocation& call, site::SiteAccess& site, WatchedTransport& watched, CliPlatform& platform,
           std::ostream& out, std::ostream& err) {
    if (call.operands.empty()) throw UsageError{"search needs words"};
    Text words;
    for (const Text& word : call.operands) words += (words.empty() ? u"" : u" ") + word;
    SearchPrinter printer(words, out, err, platform.stderrIsTerminal);
    site::SearchState state{1, 0, site::TargetResults};
    site::SearchHost host{state, printer, printer, printer};
    Text address = site::FirstSearchPageAddress(site, words);
    site::RunSearch(address, site, host);
    out.flush();
    err << Utf8(printer.Status()) << '\n';
    if (watched.failure) {
        err << "search: " << *watched.failure << '\n';
        return kExitSiteFailed;
    }
    return kExitOk;
}

int Lyrics(const Invocation& call, site::SiteAccess& site, std::ostream& out) {
    const auto id = site::SongIdNumber(OneOperand(call));
    if (!id) throw UsageError{"lyrics needs a song id within 32 bits"};
    site::CollectedLyrics printer;
    site::FetchLyrics(site, *id, printer, printer);
    if (printer.caption == site::kNoLyrics) {
        out << Utf8(printer.caption) << '\n';
    } else {
        for (const Text& line : printer.lines) out << Utf8(line) << '\n';
    }
    return kExitOk;
}

void Fetch(site::SiteAccess& site, const Text& address, DownloadSink& sink) {
    try {
        site.transport.Get(site::RequestAddress(address), sink, site.pump);
        sink.Finish();
    } catch (const site::SiteError& error) {
        throw site::SiteError(Utf8(address) + ": " + error.what());
    }
}

int Download(const Invocation& call, site::SiteAccess& site, CliPlatform& platform, std::ostream& out,
             std::ostream& err) {
    std::optional<Text> file;
    std::optional<Text> id;
    for (size_t i = 0; i < call.operands.size(); ++i) {
        if (call.operands[i] == u"-o") {
            if (i + 1 >= call.operands.size() || file) throw UsageError{"-o needs one file name"};
            file = call.operands[++i];
        } else if (!id) {
            id = call.operands[i];
        } else {
            throw UsageError{"download takes one song id"};
        }
    }
    if (!id) throw UsageError{"download needs a song id"};
    const Text address = site::ResolveSongAddress(site, *id);
    if (file == u"-") {
        DownloadSink sink([&out]() -> std::ostream& { return out; }, "standard output", err,
                          platform.stderrIsTerminal);
        Fetch(site, address, sink);
        return kExitOk;
    }
    // Named as the player's download window names it, and written whole or not at all: the file
    // appears under its name only when complete, and an earlier file of that name survives a failure.
    const std::filesystem::path path(file ? *file : DownloadFileName(address));
    std::filesystem::path part = path;
    part += ".part";
    std::ofstream stream;
    DownloadSink sink(
        [&]() -> std::ostream& {
            stream.open(part, std::ios::binary | std::ios::trunc);
            return stream;
        },
        PathText(path), err, platform.stderrIsTerminal);
    std::error_code error;
    try {
        Fetch(site, address, sink);
        stream.close();
        if (!stream) throw site::SiteError("cannot write " + PathText(path));
        std::filesystem::rename(part, path, error);
        if (error) throw site::SiteError("cannot write " + PathText(path) + ": " + error.message());
    } catch (const site::SiteError&) {
        stream.close();
        std::filesystem::remove(part, error);
        throw;
    }
    out << PathText(path) << '\n';
    return kExitOk;
}

int Dispatch(const Invocation& call, CliPlatform& platform, std::ostream& out, std::ostream& err) {
    if (call.command == kHelpCommand) {
        out << kUsage;
        return kExitOk;
    }
    if (call.command == kVersionCommand) {
        out << "mulan-cli " << kVersion << '\n';
        return kExitOk;
    }
    WatchedTransport watched(platform.transport);
    site::NoMessagePump pump;
    site::SiteAccess site{watched, platform.codec, pump, call.hosts};
    if (call.command == u"encode") {
        out << Utf8(site::EncodeQuery(OneOperand(call), platform.codec)) << '\n';
        return kExitOk;
    }
    if (call.command == u"search") return Search(call, site, watched, platform, out, err);
    if (call.command == u"resolve") {
        out << Utf8(site::ResolveSongAddress(site, OneOperand(call))) << '\n';
        return kExitOk;
    }
    if (call.command == u"lyrics") return Lyrics(call, site, out);
    if (call.command == u"download") return Download(call, site, platform, out, err);
    throw UsageError{"unknown command " + Utf8(call.command)};
}

}  // namespace

int RunCli(const std::vector<Text>& args, CliPlatform& platform, std::ostream& out, std::ostream& err) {
    Invocation call;
    try {
        call = Parse(args);
        return Dispatch(call, platform, out, err);
    } catch (const UsageError& usage) {
        err << "mulan-cli: " << usage.message << '\n' << kUsage;
        return kExitUsage;
    } catch (const site::SiteError& error) {
        out.flush();
        err << "mulan-cli " << Utf8(call.command) << ": " << error.what() << '\n';
        return kExitSiteFailed;
    }
}

}  // namespace mulan::cli

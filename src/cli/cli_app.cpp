#include "cli/cli_app.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

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
    "  download ID [-o FILE]    saves the audio file of a song\n";

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

    void AddToPlaylist(TextView name, TextView id) override { AddResultRow(id, name); }
    int32_t PlaylistCount() override { return rows_; }
    void AddResultRow(TextView id, TextView name) override {
        out_ << Utf8(id) << '\t' << Utf8(name) << '\n';
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

class LinePrinter final : public site::LyricLines, public site::LyricLabel {
  public:
    void Clear() override { lines.clear(); }
    void Add(TextView line) override { lines.emplace_back(line); }
    void SetCaption(TextView text) override { caption = text; }

    std::vector<Text> lines;
    Text caption;
};

// Writes the body to a file and draws a progress bar on a terminal.
class FileSink final : public site::BodySink {
  public:
    FileSink(const std::filesystem::path& path, std::ostream& err, bool showProgress)
        : path_(path), err_(err), showProgress_(showProgress) {}

    void Begin(int status, std::optional<uint64_t> length) override {
        if (status != 200) throw site::SiteError("HTTP status " + std::to_string(status));
        length_ = length;
        file_.open(path_, std::ios::binary | std::ios::trunc);
        if (!file_) throw site::SiteError("cannot write " + FileName());
    }
    void Write(std::string_view bytes) override {
        file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file_) throw site::SiteError("cannot write " + FileName());
        written_ += bytes.size();
        DrawProgress();
    }
    void Close() {
        file_.close();
        if (!file_) throw site::SiteError("cannot write " + FileName());
        if (showProgress_) err_ << '\n';
    }
    uint64_t Written() const { return written_; }

  private:
    std::string FileName() const {
        const auto name = path_.u8string();
        return std::string(name.begin(), name.end());
    }
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

    std::filesystem::path path_;
    std::ostream& err_;
    bool showProgress_;
    std::optional<uint64_t> length_;
    std::ofstream file_;
    uint64_t written_ = 0;
};

// Asked for by an option in place of a command.
constexpr char16_t kHelpCommand[] = u"--help";
constexpr char16_t kVersionCommand[] = u"--version";

struct Invocation {
    site::SiteHosts hosts = site::SiteHosts::Built();
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
    LinePrinter printer;
    site::FetchLyrics(site, *id, printer, printer);
    if (printer.caption == site::kNoLyrics) {
        out << Utf8(printer.caption) << '\n';
    } else {
        for (const Text& line : printer.lines) out << Utf8(line) << '\n';
    }
    return kExitOk;
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
    const std::filesystem::path path(file ? *file : DownloadFileName(address));
    FileSink sink(path, err, platform.stderrIsTerminal);
    try {
        site.transport.Get(site::RequestAddress(address), sink, site.pump);
        sink.Close();
    } catch (const site::SiteError& error) {
        throw site::SiteError(Utf8(address) + ": " + error.what());
    }
    const auto name = path.u8string();
    out << std::string(name.begin(), name.end()) << '\n';
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

Text DownloadFileName(TextView address) {
    Text path = site::BeforeMarker(site::BeforeMarker(address, u"?"), u"#");
    const size_t slash = path.find_last_of(u"/\\");
    Text name = slash == Text::npos ? path : path.substr(slash + 1);
    for (char16_t& c : name) {
        if (c < 0x20 || c == 0x7F || Text(u"<>:\"/\\|?*").find(c) != Text::npos) c = u'_';
    }
    const size_t start = name.find_first_not_of(u". ");
    if (start == Text::npos) return u"download";
    name.erase(0, start);
    while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
    // Names Windows reserves for devices would not make a file.
    Text stem = site::BeforeMarker(name, u".");
    for (char16_t& c : stem) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    }
    const bool numbered = stem.size() == 4 && (stem.starts_with(u"COM") || stem.starts_with(u"LPT")) &&
                          stem[3] >= u'0' && stem[3] <= u'9';
    if (numbered || stem == u"CON" || stem == u"PRN" || stem == u"AUX" || stem == u"NUL")
        name.insert(0, u"_");
    return name;
}

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

#pragma once

#include <optional>
#include <vector>

#include "base/text.h"
#include "site/site_access.h"

namespace mulan::app {

// Where the player's songs come from: this computer's music (the Music folder and the folders the
// user added) or a music site.
struct MusicSource {
    enum class Kind : uint8_t { ThisComputer, Site };
    Kind kind = Kind::ThisComputer;
    std::vector<Text> folders;  // this computer's: the folders besides the Music folder
    site::SiteHosts hosts;      // a site's

    bool operator==(const MusicSource&) const = default;
};

// The source a run names on its command line: --site HOST[:PORT] (the site's search and media
// servers on the next two ports), --search-host and --media-host for a site laid out otherwise,
// --library FOLDER (repeatable; then only these folders). Nothing when it names none.
struct SourceArguments {
    std::optional<MusicSource> source;
    Text error;  // a command line that cannot be followed, said for the user; empty when it can
};
SourceArguments ParseSourceArguments(const std::vector<Text>& args);

// The command line's source wins for the run; otherwise the stored one; otherwise this computer's.
MusicSource ChooseSource(const std::optional<MusicSource>& commandLine,
                         const std::optional<MusicSource>& stored);

// The site the player asks: a site's own hosts, or for this computer's music the hosts its own
// library answers in-process.
site::SiteHosts HostsOf(const MusicSource& source, const site::SiteHosts& ownLibrary);

// The folders this computer's music is read from: the Music folder, then the user's; a run's command
// line that names folders reads only those (onlyGiven).
std::vector<Text> LibraryFolders(const MusicSource& source, TextView musicFolder, bool onlyGiven);

// Where the choice is kept between runs (the user's settings).
class SourceStore {
  public:
    virtual ~SourceStore() = default;
    // Nothing when nothing is stored or what is stored cannot be read.
    virtual std::optional<MusicSource> Load() const = 0;
    virtual bool Save(const MusicSource& source) = 0;
};

}  // namespace mulan::app

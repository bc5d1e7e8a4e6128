#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "app/music_source.h"
#include "base/text.h"

namespace mulan::app {

// What the "音乐来源" dialog holds while it is open, and the rules it follows: which kind of source
// is chosen, this computer's folders (the Music folder first, always there), the site's address as
// typed, and the source all that gives when the user confirms.
class MusicSourceForm {
  public:
    // musicFolder is the user's Music folder as the system names it; empty when it has none.
    MusicSourceForm(const MusicSource& current, Text musicFolder);

    MusicSource::Kind kind() const { return kind_; }
    void SetKind(MusicSource::Kind kind) { kind_ = kind; }

    // Every folder shown, the Music folder (when there is one) first.
    const std::vector<Text>& Folders() const { return folders_; }
    // The Music folder is the default and stays.
    bool CanRemove(size_t index) const;
    // Adds folder at the end. The reason it was refused, for the user; empty when it was added.
    // A folder that holds folders added before replaces them: they are read through it.
    Text AddFolder(TextView folder);
    // False when there is no such folder or it cannot be removed.
    bool RemoveFolder(size_t index);

    const Text& address() const { return address_; }
    void SetAddress(TextView address) { address_ = Text(address); }

    struct Outcome {
        std::optional<MusicSource> source;
        Text error;  // why there is no source, for the user; empty when there is one
    };
    // The source to keep and use, or why the form cannot give one.
    Outcome Validate() const;

  private:
    size_t FirstRemovable() const { return hasMusicFolder_ ? 1 : 0; }

    MusicSource::Kind kind_;
    std::vector<Text> folders_;
    bool hasMusicFolder_;
    Text address_;
    // The site the form was opened with and the address it showed for it: confirmed unchanged, it
    // is kept as it was, search and media hosts included, however it is laid out.
    site::SiteHosts loadedHosts_;
    Text loadedAddress_;
};

}  // namespace mulan::app

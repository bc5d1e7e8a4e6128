#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "library/song_source.h"
#include "site/codec.h"
#include "site/site_access.h"
#include "site/transport.h"

namespace mulan::site_server {

// The hosts of the player's own library. ".invalid" is reserved never to resolve (RFC 2606), so an
// address of the library can never reach a network, whatever the transport it is handed to.
inline constexpr char kLibrarySiteHost[] = "library.invalid";
inline constexpr char kLibrarySearchHost[] = "search.library.invalid";
inline constexpr char kLibraryMediaHost[] = "media.library.invalid";

site::SiteHosts LibraryHosts();

// The site's answers for the library's hosts, made in-process from a song source with no socket; every
// other address goes to the fallback transport, so that the player keeps one transport for both kinds
// of source. Answers arrive as HTTP would bring them: the status and length, then the body; an audio
// file is streamed from the disk in chunks, the pump run between them.
class LibraryTransport final : public site::Transport {
  public:
    // songs, codec and fallback must outlive the transport; songs is read from any thread that calls
    // Get, so it must allow that (every SongSource does).
    LibraryTransport(const library::SongSource& songs, const site::Codec& codec, site::Transport& fallback);

    void Get(std::string_view address, site::BodySink& sink, site::MessagePump& pump) override;

    // The local file of an audio address of the library ("http://media.library.invalid/music/ID/NAME"),
    // found as the media server finds it: by the id, the name having to be the song's own file name,
    // the file having to lie inside its folder now. nullopt for any other address.
    std::optional<std::filesystem::path> FileOf(std::string_view address) const;

  private:
    const library::SongSource& songs_;
    const site::Codec& codec_;
    site::Transport& fallback_;
};

}  // namespace mulan::site_server

#pragma once

#include "base/text.h"

namespace mulan::site {

// One song a search found, as it travels from the result page to the playlist and the results
// window: a new field here is a new column away from being shown.
struct SearchResult {
    Text id;    // the site's song id, the address of its play and lyrics pages
    Text name;  // the song's title as the result page gives it
};

}  // namespace mulan::site

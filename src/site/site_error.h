#pragma once

#include <stdexcept>
#include <string>

namespace mulan::site {

// A site exchange that did not give what its caller needs: the transport broke, or a page lacks a
// marker its reader cannot do without. The message (UTF-8) names the request and what went wrong.
class SiteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// No connection could be made at all: nothing listens at the address (yet), or there is no way to
// it. Unlike a silent server it is known at once, so trying again shortly costs nothing.
class SiteUnreachable : public SiteError {
  public:
    using SiteError::SiteError;
};

}  // namespace mulan::site

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

}  // namespace mulan::site

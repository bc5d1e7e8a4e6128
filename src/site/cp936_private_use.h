#pragma once

#include <optional>
#include <string>

namespace mulan::site {

// Code page 936 as Windows reads it maps the user-defined areas of GBK and the codes GBK leaves
// unassigned to private-use characters (0xA9A2 is U+E7FF, 0xD7FA..0xD7FE are U+E810..U+E814: the
// site's page decorations). A decoder without them reads those bytes as invalid, and the cleaning of
// song names that removes the decorations would no longer match.
std::optional<char16_t> Cp936PrivateUse(unsigned char lead, unsigned char trail);
// The two bytes of a private-use character in code page 936; nothing for any other character.
std::optional<std::string> Cp936BytesOf(char16_t character);

}  // namespace mulan::site

#pragma once

#include <string>
#include <string_view>

namespace mulan {

// All text inside the program is UTF-16, as the platform and the site's decoded pages give it.
using Text = std::u16string;
using TextView = std::u16string_view;

// Malformed input becomes U+FFFD; never fails.
Text Utf8ToText(std::string_view utf8);
std::string TextToUtf8(TextView text);

}  // namespace mulan

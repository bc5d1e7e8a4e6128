#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "base/text.h"

namespace mulan {

// A control's stored property set: keys with text values, kept in the order written and matched
// without regard to case. Stored as UTF-8 lines "key=value"; lines without "=" and a leading
// byte-order mark are ignored, so a damaged set reads as the keys that survive.
class PropertyBag {
  public:
    static PropertyBag Parse(std::string_view utf8);
    std::string Serialize() const;

    std::optional<Text> Read(TextView key) const;
    void Write(TextView key, TextView value);
    const std::vector<std::pair<Text, Text>>& Entries() const { return entries_; }

    // Typed reads: the fallback when the key is missing or its value does not parse.
    int32_t ReadInt(TextView key, int32_t fallback) const;
    uint32_t ReadColour(TextView key, uint32_t fallback) const;
    bool ReadBool(TextView key, bool fallback) const;
    void WriteInt(TextView key, int64_t value);
    void WriteBool(TextView key, bool value) { Write(key, value ? u"True" : u"False"); }

  private:
    std::vector<std::pair<Text, Text>> entries_;
};

// Parses a whole decimal number (optional sign) in [min, max]; nothing for anything else.
std::optional<int64_t> ParseInteger(TextView text, int64_t min, int64_t max);

}  // namespace mulan

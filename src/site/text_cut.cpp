#include "site/text_cut.h"

namespace mulan::site {

Text AfterMarker(TextView text, TextView marker) {
    const size_t at = text.find(marker);
    return Text(at == TextView::npos ? text : text.substr(at + 1));
}

Text AfterFirst(TextView text, char16_t c) {
    const size_t at = text.find(c);
    return Text(at == TextView::npos ? text : text.substr(at + 1));
}

Text BeforeMarker(TextView text, TextView marker) {
    const size_t at = text.find(marker);
    return Text(at == TextView::npos ? text : text.substr(0, at));
}

bool Contains(TextView text, TextView marker) {
    return text.find(marker) != TextView::npos;
}

Text ReplaceAll(TextView text, TextView from, TextView to) {
    if (from.empty()) return Text(text);
    Text out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t at = text.find(from); at != TextView::npos; at = text.find(from, pos)) {
        out.append(text.substr(pos, at - pos));
        out.append(to);
        pos = at + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

Text RemoveAll(TextView text, TextView what) {
    return ReplaceAll(text, what, {});
}

Text TrimSpaces(TextView text) {
    const size_t first = text.find_first_not_of(u' ');
    if (first == TextView::npos) return {};
    const size_t last = text.find_last_not_of(u' ');
    return Text(text.substr(first, last - first + 1));
}

}  // namespace mulan::site

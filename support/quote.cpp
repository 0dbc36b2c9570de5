// Quoting of user text for messages.
#include "support/quote.h"

#include <algorithm>

std::string quote(std::string_view text, size_t max_shown) {
    size_t shown = std::min(text.size(), max_shown);
    // A cut falls before a UTF-8 character, never between its bytes.
    while (shown < text.size() && shown > 0 &&
           (static_cast<unsigned char>(text[shown]) & 0xc0) == 0x80) {
        --shown;
    }
    std::string out = "'";
    for (size_t i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += (c < 0x20 || c == 0x7f) ? '?' : char(c);
    }
    out += shown < text.size() ? "...'" : "'";
    return out;
}

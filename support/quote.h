// User text made fit for a one-line message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// In single quotes, control characters shown as '?', and cut short after at most max_shown
// bytes, before a UTF-8 character, never inside one.
std::string quote(std::string_view text, size_t max_shown = 40);

// SPDX-License-Identifier: MIT
// UTF-8 and UTF-16 conversions between the tool's text and the device's WCHAR text.
#ifndef LINKORY_TOOLS_TODAYSIM_UTF_H
#define LINKORY_TOOLS_TODAYSIM_UTF_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace todaysim {

// Unpaired surrogates become U+FFFD, so every trace line stays valid JSON.
std::string utf8_from_utf16(const char16_t* text, size_t length);

// Expects valid UTF-8 (the JSON parser has checked it); a truncated sequence at the end
// becomes U+FFFD.
std::u16string utf16_from_utf8(const std::string& text);

}  // namespace todaysim

#endif

// SPDX-License-Identifier: Apache-2.0
#include "utf8_record.h"

namespace tarvos {
namespace {

// The length of the UTF-8 sequence at text[i], or 0 when it is not one.
std::size_t sequence_at(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80) return 1;
    std::size_t n;
    unsigned int lowest_second = 0x80, highest_second = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lowest_second = 0xA0;   // no overlong forms
        if (b == 0xED) highest_second = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lowest_second = 0x90;
        if (b == 0xF4) highest_second = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (i + n > text.size()) return 0;
    if (byte(i + 1) < lowest_second || byte(i + 1) > highest_second) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return n;
}

}  // namespace

std::optional<std::size_t> utf8_length(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++characters) {
        const std::size_t n = sequence_at(text, i);
        if (n == 0) return std::nullopt;
        i += n;
    }
    return characters;
}

bool squeeze_utf8(std::string_view text, std::size_t length, char* out) {
    if (utf8_length(text) != length) return false;
    for (std::size_t i = 0; i < text.size();) {
        *out++ = text[i];
        i += sequence_at(text, i);
    }
    return true;
}

}  // namespace tarvos

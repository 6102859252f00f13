// SPDX-License-Identifier: Apache-2.0
// Records written with UTF-8 text: a record whose line is longer in bytes than
// the record length but is valid UTF-8 with exactly record-length characters.
// Each character takes one column; a character outside ASCII becomes one
// byte outside ASCII (its first byte), which the conversion blanks as it
// blanks every such byte, so nothing shifts and the record keeps its length.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tarvos {

// The number of characters of valid UTF-8 text (no overlong forms, no
// surrogates, nothing past U+10FFFF); nothing when the text is not UTF-8.
std::optional<std::size_t> utf8_length(std::string_view text);

// Writes text, valid UTF-8 of exactly length characters, as length bytes one
// a character; false (and nothing written) when it is not such text.
bool squeeze_utf8(std::string_view text, std::size_t length, char* out);

}  // namespace tarvos

// SPDX-License-Identifier: Apache-2.0
// Text for the terminal. The programs hold their texts, paths among them, in
// UTF-8. A Windows console shows UTF-16, whatever its code page, so a text for
// a console is written to it that way; a text for a file or a pipe is written
// as its UTF-8 bytes, which lose no character. Elsewhere the bytes go as
// they are.
#pragma once

#include <cstdio>
#include <string_view>

namespace naaccr::os {

// Writes text to stream (stdout or stderr); false when it could not.
bool write_text(std::FILE* stream, std::string_view text);

// Whether stream is a terminal (a console on Windows).
bool is_terminal(std::FILE* stream);

}  // namespace naaccr::os

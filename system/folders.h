// SPDX-License-Identifier: Apache-2.0
// Folders by their UTF-8 names: what is in one, making one with its parents,
// and removing one with all it holds. On Windows these go straight to the
// wide interfaces, which take paths past 260 characters where the C runtime's
// folder functions (and so the standard library's over them) cut them short.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace naaccr::os {

struct FolderEntry {
    std::string name;  // the entry's own name, without the folder
    enum class Kind { file, folder, link, other } kind = Kind::other;
};

// The entries of a folder, but "." and ".."; empty when it cannot be read.
// A symbolic link or junction is a link, whatever it points at.
std::vector<FolderEntry> folder_entries(std::string_view folder);

// Makes a folder and every missing folder above it; false when one cannot
// be made (an existing folder is no failure).
bool make_folders(std::string_view folder);

// Removes a folder and everything in it, never following a link out of it;
// files held for a moment by another program are waited for. False when
// something could not be removed.
bool remove_tree(std::string_view folder);

}  // namespace naaccr::os

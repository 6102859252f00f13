// SPDX-License-Identifier: Apache-2.0
// Reading and writing a file once, end to end, gently on the machine's
// memory. The system is told that the file is read in order, so that it
// reads ahead; and for a file larger than a quarter of the machine's memory,
// what was read, or written and already on the disk, is given back to the
// system as the run goes: a registrar's 46 GB file does not push the rest of
// the registrar's work out of memory. On Windows the file is opened for a
// sequential scan, which makes the system's cache do the same.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace naaccr::os {

// Whether a file of that size is better given back to the system as it is
// read or written: larger than a quarter of the memory the process may use
// (the machine's, or its control group's limit when lower).
bool gentle_on_memory(std::uint64_t file_size);

// Opens a file named in UTF-8 for reading once, in order ("rb").
std::FILE* open_for_one_read(std::string_view utf8);

// Gives back the system's copy of a range of a file read.
void release_read(std::FILE* file, std::uint64_t offset, std::uint64_t length);

// Waits until a range of a file written is on the disk.
void wait_written(std::FILE* file, std::uint64_t offset, std::uint64_t length);

// Waits until a range of a file written is on the disk, then gives back the
// system's copy of it.
void release_written(std::FILE* file, std::uint64_t offset, std::uint64_t length);

}  // namespace naaccr::os

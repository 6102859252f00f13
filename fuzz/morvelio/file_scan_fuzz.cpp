// SPDX-License-Identifier: Apache-2.0
// Fuzzes the file scan: any bytes as a file, read in blocks of any size with
// any keep limit, and through the export on a file in memory (a gzip file
// there is unpacked as it is read: see the gzip seed). The scan must
// agree with a plain count of the lines and the first line's length.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "file_scan.h"
#include "morvelio.h"

namespace {

struct PlainCount {
    std::uint64_t lines = 0;
    std::uint64_t first_length = 0;
};

// Lines end at LF, CR LF or a lone CR; a last line without an end counts
// when it holds anything.
PlainCount count_lines(std::string_view data) {
    PlainCount c;
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const char ch = data[i];
        if (ch != '\r' && ch != '\n') {
            ++length;
            continue;
        }
        if (ch == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
        if (c.lines++ == 0) c.first_length = length;
        length = 0;
    }
    if (length > 0 && c.lines++ == 0) c.first_length = length;
    return c;
}

void check_scan(std::string_view data, std::size_t keep_limit, std::size_t block) {
    std::size_t at = 0;
    std::size_t chunk = 1;
    naaccr::LineReader reader(
        [&](std::span<char> buffer) -> std::ptrdiff_t {
            // Reads of varying sizes, as from a pipe or a slow disk.
            const std::size_t n = std::min({buffer.size(), data.size() - at, chunk});
            chunk = chunk % 977 + 13;
            if (n > 0) std::memcpy(buffer.data(), data.data() + at, n);
            at += n;
            return static_cast<std::ptrdiff_t>(n);
        },
        keep_limit, block);
    const morvelio::ScanResult result = morvelio::scan_lines(reader, "fuzz");
    const PlainCount plain = count_lines(data);
    if (plain.lines == 0) {
        if (result.error != MORVELIO_EMPTY) __builtin_trap();
        return;
    }
    if (result.facts.record_length != plain.first_length) __builtin_trap();
    if (result.error == MORVELIO_OK || result.error == MORVELIO_LENGTH_DIFFERS)
        if (result.facts.record_count != plain.lines) __builtin_trap();
    if (result.error != MORVELIO_OK && result.message.empty()) __builtin_trap();
}

// The export on the same bytes, through a file that lives in memory.
void check_export(std::string_view data) {
    const int fd = memfd_create("morvelio-fuzz", 0);
    if (fd < 0) return;
    if (write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size())) {
        std::vector<char> info(MORVELIO_FILE_INFO_SIZE, 0);
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        std::memcpy(info.data(), path.data(), path.size());
        const int result = hsGet_naaccr_file_info(info.data());
        if (result > 0 && info[MORVELIO_FI_ERROR_TEXT] == '\0') __builtin_trap();
        if (info.back() != '\0') __builtin_trap();  // the error text stays inside the record
    }
    close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < 1) {
        check_scan({}, 64 * 1024, 1);
        return 0;
    }
    // The first byte chooses the reader's keep limit and block size; small ones
    // reach the long-line and refill paths with short inputs.
    const unsigned choice = bytes[0];
    const std::string_view data(reinterpret_cast<const char*>(bytes + 1), size - 1);
    const std::size_t keep_limits[] = {1, 3, 19, 20, 64, 22824, 64 * 1024};
    const std::size_t blocks[] = {1, 2, 7, 64, 4096, std::size_t{1} << 20};
    check_scan(data, keep_limits[choice % 7], blocks[(choice / 7) % 6]);
    if (choice % 16 == 0) check_export(data);
    return 0;
}

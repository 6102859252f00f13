// The bytes a record may hold as they are: 32 (blank) to 126 (~). Every other
// byte, a control character or one outside ASCII, is blanked by the
// conversion. Looked at over every byte of every record, so kept fast.
#pragma once

#include <cstddef>
#include <cstring>
#include <span>

namespace vexlin {

// Whether every byte lies in 32 to 126: through the lowest and highest byte,
// lane by lane, 64 bytes a round, then the last bytes one by one.
inline bool all_printable(std::span<const char> bytes) {
    using Bytes16 = unsigned char __attribute__((vector_size(16)));
    const Bytes16 kNone = {}, kAll = kNone + 255;
    Bytes16 low0 = kAll, low1 = kAll, low2 = kAll, low3 = kAll;
    Bytes16 high0 = kNone, high1 = kNone, high2 = kNone, high3 = kNone;
    const auto fold = [](const char* at, Bytes16& low, Bytes16& high) {
        Bytes16 b;
        std::memcpy(&b, at, 16);
        low = b < low ? b : low;
        high = b > high ? b : high;
    };
    const std::size_t rounds = bytes.size() / 64 * 64;
    for (std::size_t i = 0; i < rounds; i += 64) {
        fold(bytes.data() + i, low0, high0);
        fold(bytes.data() + i + 16, low1, high1);
        fold(bytes.data() + i + 32, low2, high2);
        fold(bytes.data() + i + 48, low3, high3);
    }
    const Bytes16 low01 = low0 < low1 ? low0 : low1, low23 = low2 < low3 ? low2 : low3;
    const Bytes16 high01 = high0 > high1 ? high0 : high1, high23 = high2 > high3 ? high2 : high3;
    const Bytes16 low = low01 < low23 ? low01 : low23, high = high01 > high23 ? high01 : high23;
    bool printable = true;
    for (int lane = 0; lane < 16; ++lane) printable = printable && low[lane] >= 32 && high[lane] <= 126;
    for (std::size_t i = rounds; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        printable = printable && byte >= 32 && byte <= 126;
    }
    return printable;
}

}  // namespace vexlin

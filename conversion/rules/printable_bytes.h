// SPDX-License-Identifier: Apache-2.0
// The bytes a record may hold as they are: 32 (blank) to 126 (~). Every other
// byte, a control character or one outside ASCII, is blanked by the
// conversion. Looked at over every byte of every record, so kept fast.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace vexlin {

// Whether a byte may stay as it is.
constexpr bool is_printable(unsigned char byte) { return byte >= 32 && byte <= 126; }

// The character itself where it may stay, else a blank.
constexpr char printable_or_blank(char ch) { return is_printable(static_cast<unsigned char>(ch)) ? ch : ' '; }

namespace printable_detail {

using Bytes16 = unsigned char __attribute__((vector_size(16)));
using Bytes32 = unsigned char __attribute__((vector_size(32)));

// Whether every byte lies in 32 to 126: through the lowest and highest byte,
// lane by lane, four vectors of Bytes a round, then the last bytes one by
// one. Inlined into each caller, so that it is compiled for that caller's
// processor.
template <typename Bytes>
[[gnu::always_inline]] inline bool all_printable_in_lanes(std::span<const char> bytes) {
    constexpr std::size_t Width = sizeof(Bytes);
    const Bytes kNone = {}, kAll = kNone + 255;
    Bytes low0 = kAll, low1 = kAll, low2 = kAll, low3 = kAll;
    Bytes high0 = kNone, high1 = kNone, high2 = kNone, high3 = kNone;
    const auto fold = [](const char* at, Bytes& low, Bytes& high) {
        Bytes b;
        std::memcpy(&b, at, Width);
        low = b < low ? b : low;
        high = b > high ? b : high;
    };
    constexpr std::size_t kRound = 4 * Width;
    const std::size_t rounds = bytes.size() / kRound * kRound;
    for (std::size_t i = 0; i < rounds; i += kRound) {
        fold(bytes.data() + i, low0, high0);
        fold(bytes.data() + i + Width, low1, high1);
        fold(bytes.data() + i + 2 * Width, low2, high2);
        fold(bytes.data() + i + 3 * Width, low3, high3);
    }
    const Bytes low01 = low0 < low1 ? low0 : low1, low23 = low2 < low3 ? low2 : low3;
    const Bytes high01 = high0 > high1 ? high0 : high1, high23 = high2 > high3 ? high2 : high3;
    const Bytes low = low01 < low23 ? low01 : low23, high = high01 > high23 ? high01 : high23;
    bool printable = true;
    for (std::size_t lane = 0; lane < Width; ++lane)
        printable = printable && is_printable(low[lane]) && is_printable(high[lane]);
    for (std::size_t i = rounds; i < bytes.size(); ++i)
        printable = printable && is_printable(static_cast<unsigned char>(bytes[i]));
    return printable;
}

using SignedBytes16 = signed char __attribute__((vector_size(16)));

// The lanes of bytes outside 32 to 126 set to all ones: shifted by 96, the
// bytes 32 to 126 are the signed values -128 to -34, so one signed compare
// tells every lane.
inline Bytes16 outside_printable(Bytes16 bytes) {
    constexpr SignedBytes16 kLastInside = {-34, -34, -34, -34, -34, -34, -34, -34,
                                           -34, -34, -34, -34, -34, -34, -34, -34};
    return reinterpret_cast<Bytes16>(reinterpret_cast<SignedBytes16>(bytes + 96) > kLastInside);
}

#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__i386__))
// Thirty-two bytes a vector where the processor and the system allow it.
[[gnu::target("avx2")]] inline bool all_printable_avx2(std::span<const char> bytes) {
    return all_printable_in_lanes<Bytes32>(bytes);
}
inline const bool kHasAvx2 = [] {
    __builtin_cpu_init();  // may run before the compiler's own start-up code
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

}  // namespace printable_detail

// Whether every byte lies in 32 to 126.
inline bool all_printable(std::span<const char> bytes) {
#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__i386__))
    if (printable_detail::kHasAvx2) return printable_detail::all_printable_avx2(bytes);
#endif
    return printable_detail::all_printable_in_lanes<printable_detail::Bytes16>(bytes);
}

// Every byte outside 32 to 126 made a blank, sixteen bytes at a time with
// no branch, then the last bytes one by one.
inline void blank_unprintable(std::span<char> bytes) {
    using printable_detail::Bytes16;
    const std::size_t whole = bytes.size() / 16 * 16;
    constexpr Bytes16 kBlanks = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < whole; i += 16) {
        Bytes16 b;
        std::memcpy(&b, bytes.data() + i, 16);
        const Bytes16 outside = printable_detail::outside_printable(b);
        b = (b & ~outside) | (kBlanks & outside);
        std::memcpy(bytes.data() + i, &b, 16);
    }
    for (std::size_t i = whole; i < bytes.size(); ++i) bytes[i] = printable_or_blank(bytes[i]);
}

// How many bytes lie outside 32 to 126. Most records hold none, and a
// quicker look finds that first; else sixteen bytes at a time, each lane
// counting down from 0 for at most 255 vectors before the lanes are summed.
inline std::uint64_t count_unprintable(std::span<const char> bytes) {
    using printable_detail::Bytes16;
    if (all_printable(bytes)) return 0;
    std::uint64_t count = 0;
    std::size_t i = 0;
    const std::size_t whole = bytes.size() / 16 * 16;
    while (i < whole) {
        Bytes16 lanes = {};
        const std::size_t end = std::min(i + 255 * 16, whole);
        for (; i < end; i += 16) {
            Bytes16 b;
            std::memcpy(&b, bytes.data() + i, 16);
            lanes -= printable_detail::outside_printable(b);
        }
        for (int lane = 0; lane < 16; ++lane) count += lanes[lane];
    }
    for (; i < bytes.size(); ++i) count += !is_printable(static_cast<unsigned char>(bytes[i]));
    return count;
}

}  // namespace vexlin

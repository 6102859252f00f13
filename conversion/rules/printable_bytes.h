// The bytes a record may hold as they are: 32 (blank) to 126 (~). Every other
// byte, a control character or one outside ASCII, is blanked by the
// conversion. Looked at over every byte of every record, so kept fast.
#pragma once

#include <cstddef>
#include <cstring>
#include <span>

namespace vexlin {
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
    for (std::size_t lane = 0; lane < Width; ++lane) printable = printable && low[lane] >= 32 && high[lane] <= 126;
    for (std::size_t i = rounds; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        printable = printable && byte >= 32 && byte <= 126;
    }
    return printable;
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

}  // namespace vexlin

// The stand-in's stage calculation: derived AJCC 6th and 7th edition and SEER
// Summary Stage 1977 and 2000 items from the data card's inputs. The tables
// are described in README.md.
#pragma once

#include <cstdint>
#include <string>

namespace cstage_standin {

// Error word bits. Bit 0 marks any error; the others say which family failed.
inline constexpr std::uint32_t kErrAny = 0x00000001;
inline constexpr std::uint32_t kErrAjcc6T = 0x00000002;
inline constexpr std::uint32_t kErrAjcc6N = 0x00000004;
inline constexpr std::uint32_t kErrAjcc6M = 0x00000008;
inline constexpr std::uint32_t kErrAjcc6Stage = 0x00000010;
inline constexpr std::uint32_t kErrSs1977Extension = 0x00000100;
inline constexpr std::uint32_t kErrSs1977Nodes = 0x00000200;
inline constexpr std::uint32_t kErrSs1977Mets = 0x00000400;
inline constexpr std::uint32_t kErrSs1977Schema = 0x00000800;
inline constexpr std::uint32_t kErrSs2000Extension = 0x00001000;
inline constexpr std::uint32_t kErrSs2000Nodes = 0x00002000;
inline constexpr std::uint32_t kErrSs2000Mets = 0x00004000;
inline constexpr std::uint32_t kErrSs2000Schema = 0x00008000;
inline constexpr std::uint32_t kErrAjcc7T = 0x00100000;
inline constexpr std::uint32_t kErrAjcc7N = 0x00200000;
inline constexpr std::uint32_t kErrAjcc7M = 0x00400000;
inline constexpr std::uint32_t kErrAjcc7Stage = 0x00800000;
// Every AJCC bit: set together only when no AJCC item can be derived at all.
inline constexpr std::uint32_t kErrAjccAll = 0x07F000FE;

// The derived items, as the data card holds them.
struct DerivedStage {
    std::string ajcc6_t, ajcc6_t_descript, ajcc6_n, ajcc6_n_descript, ajcc6_m, ajcc6_m_descript, ajcc6_stage;
    std::string ajcc7_t, ajcc7_t_descript, ajcc7_n, ajcc7_n_descript, ajcc7_m, ajcc7_m_descript, ajcc7_stage;
    std::string ss1977, ss2000;
    std::uint32_t error_word = 0;
    std::string message;  // one line per error, each ending in a newline
};

// Derives the stage from the inputs that CStage_move_naaccr_to_datacard put
// into the card.
DerivedStage derive_stage(const char* card);

// Writes the derived items, the error word and the message into the card.
void write_derived_stage(char* card, const DerivedStage& stage);

}  // namespace cstage_standin

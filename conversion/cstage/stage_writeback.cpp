// SPDX-License-Identifier: Apache-2.0
#include "stage_writeback.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "printable_bytes.h"

namespace vexlin {
namespace {

// Error word masks, tested after bit 0 (any error) is cleared.
constexpr std::uint32_t kErrorAnyBit = 0x00000001;
constexpr std::uint32_t kSs1977ErrorMask = 0x00000F00;
constexpr std::uint32_t kSs2000ErrorMask = 0x0000F000;
constexpr std::uint32_t kAjccErrorMask = 0x07F000FE;  // AJCC fails only when all are set

constexpr std::string_view kLowestStagedVersion = "020000";
constexpr std::string_view kFirstStagedYear = "2004";
constexpr std::string_view kFlagDerived = "1";
constexpr char kFlagKeep = '2';
// A "CS says" text fits a message slot of 3000 characters with its terminator.
constexpr std::size_t kMessageMaxLength = 2999;

// One derived AJCC item and where the data card holds it.
struct CardCopy {
    Field item;
    std::size_t card_offset;
};
constexpr std::array<CardCopy, 14> kAjccCopies{{
    {field::kDerivedAjcc6T, CSTAGE_DC_AJCC6_T},
    {field::kDerivedAjcc6TDescript, CSTAGE_DC_AJCC6_T_DESCRIPT},
    {field::kDerivedAjcc6N, CSTAGE_DC_AJCC6_N},
    {field::kDerivedAjcc6NDescript, CSTAGE_DC_AJCC6_N_DESCRIPT},
    {field::kDerivedAjcc6M, CSTAGE_DC_AJCC6_M},
    {field::kDerivedAjcc6MDescript, CSTAGE_DC_AJCC6_M_DESCRIPT},
    {field::kDerivedAjcc6StageGrp, CSTAGE_DC_AJCC6_STAGE},
    {field::kDerivedAjcc7T, CSTAGE_DC_AJCC7_T},
    {field::kDerivedAjcc7TDescript, CSTAGE_DC_AJCC7_T_DESCRIPT},
    {field::kDerivedAjcc7N, CSTAGE_DC_AJCC7_N},
    {field::kDerivedAjcc7NDescript, CSTAGE_DC_AJCC7_N_DESCRIPT},
    {field::kDerivedAjcc7M, CSTAGE_DC_AJCC7_M},
    {field::kDerivedAjcc7MDescript, CSTAGE_DC_AJCC7_M_DESCRIPT},
    {field::kDerivedAjcc7StageGrp, CSTAGE_DC_AJCC7_STAGE},
}};

// A SEER Summary Stage family: its option bit, error mask, item and flag.
struct SummaryFamily {
    int option;
    std::uint32_t error_mask;
    CardCopy item;
    Field flag;
};
constexpr std::array<SummaryFamily, 2> kSummaryFamilies{{
    {kStageSs1977, kSs1977ErrorMask, {field::kDerivedSs1977, CSTAGE_DC_SS1977}, field::kDerivedSs1977Flag},
    {kStageSs2000, kSs2000ErrorMask, {field::kDerivedSs2000, CSTAGE_DC_SS2000}, field::kDerivedSs2000Flag},
}};

// A text of at most max_width characters from a C text: up to its first NUL.
// A NULL text is empty.
std::string_view bounded_text(const char* text, std::size_t max_width) {
    if (!text) return {};
    std::size_t n = 0;
    while (n < max_width && text[n] != '\0') ++n;
    return std::string_view(text, n);
}

// Puts a text from the Collaborative Stage library into a record item: its
// characters up to the first NUL (never more than the item's width), padded
// with blanks; any other unprintable byte becomes a blank, so the record stays
// as clean as the record entry left it.
void put_library_text(RecordSpan record, Field item, const char* text) {
    std::array<char, 8> chars{};
    const std::string_view raw = bounded_text(text, std::min(item.width, chars.size()));
    for (std::size_t i = 0; i < raw.size(); ++i) chars[i] = printable_or_blank(raw[i]);
    put_field(record, item, std::string_view(chars.data(), raw.size()));
}

void copy_from_card(RecordSpan record, const char* card, const CardCopy& copy) {
    put_library_text(record, copy.item, card + copy.card_offset);
}

bool flagged_keep(ConstRecordSpan record, Field flag) { return get_field(record, flag)[0] == kFlagKeep; }

std::uint32_t error_word(const char* card) {
    std::uint32_t word = 0;
    std::memcpy(&word, card + CSTAGE_DC_ERROR_WORD, sizeof word);
    return word & ~kErrorAnyBit;
}

// "CS says: '<line>'" for each line of the library's message, as the
// messages report holds one row a line: the newline that ends a line becomes
// the blank before the closing quote (a carriage return before it goes), any
// other byte outside printable ASCII becomes a blank, and each text is cut to
// fit a message slot. An empty message still gives one text.
std::span<const std::string> cs_says_texts(const char* card) {
    static constexpr std::string_view kOpening = "CS says: '";
    // The texts of the last record staged, each keeping its room for the next.
    static std::vector<std::string> texts;
    const char* text_start = card + CSTAGE_DC_MESSAGE;
    const void* nul = std::memchr(text_start, '\0', CSTAGE_DC_MESSAGE_SIZE);
    const std::string_view message(text_start, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text_start)
                                                   : std::size_t{CSTAGE_DC_MESSAGE_SIZE});
    std::size_t count = 0;
    std::size_t start = 0;
    do {
        const std::size_t newline = message.find('\n', start);
        const bool ended = newline != std::string_view::npos;
        std::string_view line = message.substr(start, ended ? newline - start : std::string_view::npos);
        if (ended && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        // The opening, the line with its unprintable bytes blanked in place,
        // the blank of its newline, the quote.
        if (count == texts.size()) texts.emplace_back();
        std::string& text = texts[count++];
        text.assign(kOpening).append(line);
        blank_unprintable(std::span<char>(text).subspan(kOpening.size()));
        if (ended) text += ' ';
        text += '\'';
        if (text.size() > kMessageMaxLength) text.resize(kMessageMaxLength);
        start = ended ? newline + 1 : message.size();
    } while (start < message.size());
    return {texts.data(), count};
}

void blank_all_derived(RecordSpan record) {
    blank_field(record, field::kDerivedAjccBlock);
    blank_field(record, field::kDerivedSs1977);
    blank_field(record, field::kDerivedSs2000);
    blank_field(record, field::kDerivedAjccFlag);
    blank_field(record, field::kDerivedSs1977Flag);
    blank_field(record, field::kDerivedSs2000Flag);
    blank_field(record, field::kCsVersionDerived);
}

// Writes one Summary Stage family; true when the caller asked for it.
bool write_summary(RecordSpan record, const char* card, const SummaryFamily& family, int options,
                   std::uint32_t errors) {
    if (flagged_keep(record, family.flag)) return false;
    const bool requested = (options & family.option) != 0;
    if (!requested || (errors & family.error_mask) != 0) {
        blank_field(record, family.item.item);
        blank_field(record, family.flag);
    } else {
        copy_from_card(record, card, family.item);
        put_field(record, family.flag, kFlagDerived);
    }
    return requested;
}

bool write_ajcc(RecordSpan record, const char* card, int options, std::uint32_t errors) {
    if (flagged_keep(record, field::kDerivedAjccFlag)) return false;
    const bool requested = (options & kStageAjcc) != 0;
    if (!requested || (errors & kAjccErrorMask) == kAjccErrorMask) {
        blank_field(record, field::kDerivedAjccBlock);
        blank_field(record, field::kDerivedAjccFlag);
    } else {
        for (const CardCopy& copy : kAjccCopies) copy_from_card(record, card, copy);
        put_field(record, field::kDerivedAjccFlag, kFlagDerived);
    }
    return requested;
}

}  // namespace

char* stage_datacard() {
    static std::array<char, CSTAGE_DATACARD_SIZE> datacard{};
    return datacard.data();
}

StageOutcome derive_and_write_stage(const CsEntryPoints& cs, RecordSpan record, int stage_options,
                                    bool restage) {
    StageOutcome outcome;
    if (get_field(record, field::kCsVersionInputCurrent) < kLowestStagedVersion ||
        get_field(record, field::kDiagnosisYear) < kFirstStagedYear)
        return outcome;
    if (!cs.move_naaccr_to_datacard || !cs.calculate) return outcome;  // no library bound

    // A fresh card for every record: nothing of the previous case can be
    // mistaken for this one's results.
    char* card = stage_datacard();
    std::memset(card, 0, CSTAGE_DATACARD_SIZE);
    cs.move_naaccr_to_datacard(card, record.data());
    if (cs.calculate(card) != 0) {
        outcome.flags |= kFlagCsCalculationError;
        outcome.messages = cs_says_texts(card);
    }
    if (!restage) return outcome;

    if (get_field(record, field::kOverrideCs20) == "1") {
        blank_all_derived(record);
        return outcome;
    }

    const std::uint32_t errors = error_word(card);
    bool derived = false;
    for (const SummaryFamily& family : kSummaryFamilies)
        derived |= write_summary(record, card, family, stage_options, errors);
    derived |= write_ajcc(record, card, stage_options, errors);

    if (derived) {
        put_library_text(record, field::kCsVersionDerived, cs.get_version ? cs.get_version() : nullptr);
    } else {
        blank_field(record, field::kCsVersionDerived);
    }
    return outcome;
}

}  // namespace vexlin

#include "standin_datacard.h"

#include <algorithm>
#include <cstring>

#include "field_map.h"

namespace cstage_standin {
namespace {

struct InputCopy {
    vexlin::Field from;
    CardItem to;
};

constexpr InputCopy kInputCopies[] = {
    {vexlin::field::kPrimarySite, kInSite},
    {vexlin::field::kHistology, kInHistology},
    {vexlin::field::kBehavior, kInBehavior},
    {vexlin::field::kDiagnosisYear, kInYear},
    {vexlin::field::kCsExtension, kInExtension},
    {vexlin::field::kCsTumorSizeExtEval, kInExtensionEval},
    {vexlin::field::kCsLymphNodes, kInNodes},
    {vexlin::field::kCsLymphNodesEval, kInNodesEval},
    {vexlin::field::kCsMetsAtDx, kInMets},
    {vexlin::field::kCsMetsEval, kInMetsEval},
    {vexlin::field::kCsVersionInputCurrent, kInVersionInput},
};

}  // namespace

void move_record_to_card(char* card, const char* record) {
    std::memset(card, 0, CSTAGE_DC_INPUT_SIZE);
    for (const InputCopy& c : kInputCopies) {
        std::memcpy(card + c.to.offset, record + c.from.offset, std::min(c.from.width, c.to.width));
    }
    for (int n = 1; n <= static_cast<int>(vexlin::field::kSsfCount); ++n)
        std::memcpy(card + in_ssf(n).offset, record + vexlin::field::cs_ssf(n).offset, 3);
}

void put_card_text(char* card, CardItem item, std::string_view text) {
    const std::size_t n = std::min(text.size(), item.width);
    std::memcpy(card + item.offset, text.data(), n);
    std::memset(card + item.offset + n, ' ', item.width - n);
}

std::uint32_t card_error_word(const char* card) {
    std::uint32_t word = 0;
    std::memcpy(&word, card + CSTAGE_DC_ERROR_WORD, sizeof word);
    return word;
}

void set_card_error_word(char* card, std::uint32_t word) {
    std::memcpy(card + CSTAGE_DC_ERROR_WORD, &word, sizeof word);
}

void set_card_message(char* card, std::string_view text) {
    char* area = card + CSTAGE_DC_MESSAGE;
    const std::size_t n = std::min<std::size_t>(text.size(), CSTAGE_DC_MESSAGE_SIZE - 1);
    std::memset(area, 0, CSTAGE_DC_MESSAGE_SIZE);
    std::memcpy(area, text.data(), n);
}

}  // namespace cstage_standin

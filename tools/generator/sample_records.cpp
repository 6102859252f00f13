// SPDX-License-Identifier: Apache-2.0
#include "sample_records.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "cs_code_lists.h"
#include "cs_engine.h"
#include "field_map.h"
#include "naaccr_columns.h"
#include "record.h"

namespace sample {
namespace {

namespace f = vexlin::field;
using vexlin::put_field;

// splitmix64: small, fast and the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // 0 to n - 1.
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    int between(int low, int high) { return low + static_cast<int>(below(static_cast<std::uint64_t>(high - low + 1))); }
    bool chance(int percent) { return below(100) < static_cast<std::uint64_t>(percent); }
    template <typename T, std::size_t N>
    const T& pick(const std::array<T, N>& items) { return items[below(N)]; }

private:
    std::uint64_t state_;
};

std::uint64_t record_seed(std::uint64_t seed, std::uint64_t index) {
    Random r(seed * 0x2545f4914f6cdd1dULL + index);
    return r.next();
}

// Case mix, in percent.
struct KindShare {
    CaseKind kind;
    int percent;
};
constexpr std::array<KindShare, 7> kMix = {{{CaseKind::solid, 28},
                                            {CaseKind::retired_country, 8},
                                            {CaseKind::histology_8157, 6},
                                            {CaseKind::prostate, 16},
                                            {CaseKind::hematopoietic, 26},
                                            {CaseKind::schema_failure, 10},
                                            {CaseKind::before_2004, 6}}};

constexpr std::array<const char*, 5> kRetiredCountries = {"BND", "XCZ", "SWK", "VLT", "XYG"};
constexpr std::array<const char*, 8> kCountries = {"USA", "USA", "USA", "USA", "CAN", "MEX", "DEU", "ZZU"};
constexpr std::array<const char*, 6> kFacilities = {"0000012345", "0000023456", "0000034567",
                                                    "0000045678", "0000056789", "0000067890"};

struct SolidCase {
    const char* site;
    const char* histology;
};
constexpr std::array<SolidCase, 12> kSolid = {{{"C509", "8500"}, {"C504", "8520"}, {"C341", "8140"},
                                               {"C343", "8070"}, {"C189", "8140"}, {"C187", "8480"},
                                               {"C445", "8720"}, {"C739", "8260"}, {"C649", "8312"},
                                               {"C679", "8120"}, {"C530", "8070"}, {"C160", "8140"}}};

// Hematopoietic and lymphoid histologies, 9590 to 9992, as the rules know them.
constexpr std::array<const char*, 151> kHematopoietic = {
    "9590", "9650", "9651", "9652", "9653", "9655", "9663", "9727", "9735", "9971", "9654", "9661", "9662",
    "9664", "9665", "9667", "9930", "9740", "9751", "9755", "9756", "9757", "9758", "9759", "9750", "9752",
    "9753", "9754", "9591", "9596", "9597", "9659", "9671", "9673", "9678", "9680", "9687", "9688", "9690",
    "9691", "9695", "9698", "9712", "9737", "9738", "9675", "9684", "9699", "9734", "9700", "9701", "9702",
    "9705", "9708", "9709", "9717", "9718", "9724", "9725", "9726", "9714", "9719", "9679", "9689", "9716",
    "9731", "9800", "9840", "9860", "9861", "9863", "9865", "9866", "9867", "9869", "9870", "9871", "9872",
    "9873", "9874", "9891", "9895", "9896", "9897", "9898", "9910", "9911", "9920", "9931", "9965", "9966",
    "9967", "9987", "9741", "9742", "9801", "9806", "9807", "9808", "9809", "9875", "9876", "9945", "9946",
    "9950", "9961", "9962", "9963", "9964", "9975", "9980", "9982", "9983", "9985", "9986", "9989", "9991",
    "9992", "9960", "9984", "9805", "9732", "9940", "9761", "9948", "9811", "9812", "9813", "9814", "9815",
    "9816", "9817", "9818", "9823", "9827", "9837", "9670", "9728", "9729", "9820", "9832", "9831", "9826",
    "9833", "9834", "9835", "9836", "9733", "9760", "9764", "9762"};
// Sites of the rules' lists (blood, marrow, bone, mediastinal, adnexa) and others.
constexpr std::array<const char*, 16> kHematopoieticSites = {"C420", "C421", "C423", "C424", "C421", "C421",
                                                             "C695", "C771", "C000", "C379", "C381", "C400",
                                                             "C441", "C690", "C422", "C509"};
constexpr std::array<char, 11> kGrades = {' ', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
// Gleason scores as CS Site-Specific Factors 8 and 10, with a few values the
// grade table does not know.
constexpr std::array<const char*, 14> kGleason = {"002", "003", "004", "005", "006", "007", "008",
                                                  "009", "010", "998", "999", "006", "007", "000"};
// Sites and histologies for which no Collaborative Stage schema exists.
constexpr std::array<const char*, 4> kInvalidSites = {"C999", "C998", "C777", "C39X"};
constexpr std::array<const char*, 3> kInvalidHistologies = {"0000", "9999", "8XX0"};

std::string digits(std::uint64_t value, int width) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llu", width, static_cast<unsigned long long>(value));
    return text;
}

void put_date(vexlin::RecordSpan r, Random& rnd, int year) {
    put_field(r, f::kDateOfDiagnosis, digits(static_cast<std::uint64_t>(year), 4) +
                                          digits(static_cast<std::uint64_t>(rnd.between(1, 12)), 2) +
                                          digits(static_cast<std::uint64_t>(rnd.between(1, 28)), 2));
}

void put_identity(vexlin::RecordSpan r, Random& rnd, std::uint64_t index) {
    put_field(r, f::kRecordType, "A");
    put_field(r, f::kRecordVersion, "140");
    put_field(r, f::kPatientId, digits(10000000 + index % 90000000, 8));
    put_field(r, f::kSeqNumCentral, rnd.chance(80) ? "00" : digits(rnd.below(3) + 1, 2));
    put_field(r, f::kReportingFacility, rnd.pick(kFacilities));
    put_field(r, f::kAccNumHospital, digits(2000 + rnd.below(16), 4) + digits(rnd.below(100000), 5));
    put_field(r, f::kSeqNumHospital, rnd.chance(85) ? "00" : "01");
}

void put_countries(vexlin::RecordSpan r, Random& rnd, bool retired) {
    const vexlin::Field items[] = {f::kAddrAtDxCountry, f::kAddrCurrentCountry, f::kBirthplaceCountry,
                                   f::kFollowupContactCountry, f::kPlaceOfDeathCountry};
    for (const vexlin::Field item : items) put_field(r, item, rnd.pick(kCountries));
    if (rnd.chance(60)) put_field(r, f::kPlaceOfDeathCountry, "");
    if (retired) {
        // One to three of the five items carry a retired code.
        const int n = rnd.between(1, 3);
        for (int i = 0; i < n; ++i) put_field(r, items[rnd.below(5)], rnd.pick(kRetiredCountries));
    } else if (rnd.chance(3)) {
        put_field(r, items[rnd.below(5)], rnd.pick(kRetiredCountries));
    }
}

// Collaborative Stage inputs of a staged case, and the derived values an
// earlier run left.
void put_cs(vexlin::RecordSpan r, Random& rnd) {
    constexpr std::array<const char*, 6> extensions = {"100", "200", "300", "400", "410", "800"};
    put_field(r, f::kCsExtension, rnd.pick(extensions));
    put_field(r, f::kCsTumorSizeExtEval, digits(rnd.below(4), 1));
    put_field(r, f::kCsLymphNodes, rnd.chance(70) ? "000" : "100");
    put_field(r, f::kCsLymphNodesEval, digits(rnd.below(4), 1));
    put_field(r, f::kCsMetsAtDx, rnd.chance(90) ? "00" : "10");
    put_field(r, f::kCsMetsEval, digits(rnd.below(4), 1));
    for (int n = 1; n <= static_cast<int>(f::kSsfCount); ++n) put_field(r, f::cs_ssf(n), "988");
    put_field(r, f::cs_ssf(1), rnd.chance(50) ? "010" : "999");
    constexpr std::array<const char*, 4> versions = {"020550", "020550", "020520", "010401"};
    put_field(r, f::kCsVersionInputCurrent, rnd.pick(versions));
    put_field(r, f::kDerivedAjcc6T, "T1");
    put_field(r, f::kDerivedAjcc6N, "N0");
    put_field(r, f::kDerivedAjcc6M, "M0");
    put_field(r, f::kDerivedAjcc6StageGrp, "10");
    put_field(r, f::kDerivedAjcc7T, "T1");
    put_field(r, f::kDerivedAjcc7N, "N0");
    put_field(r, f::kDerivedAjcc7M, "M0");
    put_field(r, f::kDerivedAjcc7StageGrp, "100");
    put_field(r, f::kDerivedSs1977, "1");
    put_field(r, f::kDerivedSs2000, "1");
    put_field(r, f::kDerivedAjccFlag, rnd.chance(90) ? "1" : "2");
    put_field(r, f::kDerivedSs1977Flag, "1");
    put_field(r, f::kDerivedSs2000Flag, rnd.chance(95) ? "1" : "2");
    put_field(r, f::kCsVersionDerived, "020550");
    if (rnd.chance(2)) put_field(r, f::kOverrideCs20, "1");
}

// ---- Collaborative Stage inputs from the tables' codes -----------------------
//
// A staged record gets staging inputs that its schema accepts and that derive
// stage together. For every schema that a site and histology of the
// generator select, combinations of inputs are drawn once from the codes of
// the schema's validation tables, and those from which the engine derives
// stage without a problem are kept; a record takes one of them. All of it is
// made on first use and read-only afterwards.

using CodeList = std::vector<std::string>;

// A staging input of the record and the codes of one schema for it.
struct DrawnInput {
    std::string_view key;
    csengine::KeyId key_id;
    vexlin::Field field;
    const CodeList* codes;  // never empty
    // Codes the table keeps only for old cases: it maps them to an ERROR.
    // Null when it keeps none.
    const CodeList* old_codes;
};

struct SchemaCodes {
    bool drawn = false;  // combinations were drawn
    std::vector<DrawnInput> inputs;  // in the order of the record's columns
    const CodeList* grades = nullptr;
    const CodeList* ssf25 = nullptr;
    // Combinations that derived without a problem: one code per drawn input,
    // back to back, each padded to its item's width.
    std::vector<std::string> combinations;
};

// A schema that a site and histology select, with the SSF25 that selects it
// when the schema needs one (empty: any code of the schema's list).
struct SchemaChoice {
    std::size_t schema;  // in the tables' order
    std::string ssf25;
};

// Inputs that the case kinds set themselves or that are not drawn: the
// tumour's items, the year, the age and the discriminator.
constexpr std::array<std::string_view, 8> kNotDrawn = {"site",     "hist",  "year_dx", "cs_input_version_original",
                                                       "behavior", "grade", "age_dx",  "ssf25"};
// The CS Version Input Original of every staged record: the tables' version.
constexpr std::string_view kCsVersionOriginal = "020550";
// Combinations kept per schema, and draws tried for them at most.
constexpr std::size_t kCombinations = 128;
constexpr std::size_t kCombinationDraws = 16 * kCombinations;

vexlin::Field column_of(const cstage::NaaccrItem& item) { return vexlin::Field{item.offset, item.width}; }

std::string padded_code(std::string_view code, std::size_t width) {
    std::string text(code.substr(0, width));
    text.resize(width, ' ');
    return text;
}

const std::string& pick_code(Random& rnd, const CodeList& codes) { return codes[rnd.below(codes.size())]; }

class CsCodeBook {
public:
    CsCodeBook() : engine_(csengine::embedded_engine()), tables_(engine_.tables()) {
        for (const csengine::Schema& schema : tables_.schemas()) schemas_.push_back(schema_codes(schema));
        const CodeList discriminators = discriminator_codes();
        const auto add_pair = [&](std::string_view site, std::string_view histology) {
            std::string key = pair_key(site, histology);
            if (pairs_.contains(key)) return;
            std::vector<SchemaChoice> found = choices(site, histology, discriminators);
            for (const SchemaChoice& choice : found) add_combinations(site, histology, choice);
            pairs_.emplace(std::move(key), std::move(found));
        };
        for (const SolidCase& c : kSolid) add_pair(c.site, c.histology);
        add_pair("C254", "8157");
        add_pair("C619", "8140");
        add_pair("C619", "8550");
        for (const char* site : kHematopoieticSites)
            for (const char* histology : kHematopoietic) add_pair(site, histology);
    }

    // The schemas the pair selects; empty when it selects none.
    const std::vector<SchemaChoice>& choices_for(std::string_view site, std::string_view histology) const {
        static const std::vector<SchemaChoice> none;
        const auto it = pairs_.find(pair_key(site, histology));
        return it == pairs_.end() ? none : it->second;
    }

    const SchemaCodes& codes(const SchemaChoice& choice) const { return *schemas_[choice.schema]; }

    // Whether the choice's schema accepts the code for the input.
    bool accepts(const SchemaChoice& choice, const DrawnInput& input, std::string_view code) const {
        return engine_.is_valid_input(tables_.schemas()[choice.schema], input.key_id, code);
    }

    static const CsCodeBook& instance() {
        static const CsCodeBook book;
        return book;
    }

private:
    static std::string pair_key(std::string_view site, std::string_view histology) {
        return std::string(site) + '/' + std::string(histology);
    }

    // The input's codes at width, made once per validation table column:
    // those the table does not map to an error, or (old) only those it does.
    const CodeList* codes_of(const csengine::SchemaInput& input, std::size_t width, bool old = false) {
        if (input.table == csengine::kNoTable) return nullptr;
        const std::uint64_t id = (std::uint64_t{input.table} << 32) | (std::uint64_t{input.table_column} << 8) |
                                 (std::uint64_t{old} << 7) | width;
        std::unique_ptr<CodeList>& list = lists_[id];
        if (!list && !old) {
            list = std::make_unique<CodeList>(
                csengine::input_code_list(tables_, input, width, csengine::CodeRows::without_errors));
        } else if (!list) {
            const CodeList* kept = codes_of(input, width);
            const CodeList all = csengine::input_code_list(tables_, input, width, csengine::CodeRows::all);
            list = std::make_unique<CodeList>();  // elements of the map stay in place as it grows
            std::set_difference(all.begin(), all.end(), kept ? kept->begin() : all.end(), kept ? kept->end() : all.end(),
                                std::back_inserter(*list));
        }
        return list->empty() ? nullptr : list.get();
    }

    const csengine::SchemaInput* input_of(const csengine::Schema& schema, std::string_view key) const {
        const csengine::KeyId id = tables_.find_key(key);
        for (const csengine::SchemaInput& input : schema.inputs)
            if (input.key == id) return &input;
        return nullptr;
    }

    std::unique_ptr<SchemaCodes> schema_codes(const csengine::Schema& schema) {
        auto codes = std::make_unique<SchemaCodes>();
        for (const cstage::NaaccrItem& item : cstage::input_items()) {
            const bool drawn = std::find(kNotDrawn.begin(), kNotDrawn.end(), item.key) == kNotDrawn.end();
            if (!drawn && item.key != "grade" && item.key != "ssf25") continue;
            const csengine::SchemaInput* input = input_of(schema, item.key);
            const CodeList* list = input ? codes_of(*input, item.width) : nullptr;
            if (item.key == "grade") codes->grades = list;
            if (item.key == "ssf25") codes->ssf25 = list;
            if (list && drawn)
                codes->inputs.push_back(
                    DrawnInput{item.key, input->key, column_of(item), list, codes_of(*input, item.width, true)});
        }
        return codes;
    }

    // Every SSF25 code of the schemas that need one to be selected.
    CodeList discriminator_codes() const {
        CodeList codes;
        for (std::size_t i = 0; i < schemas_.size(); ++i)
            if (tables_.schemas()[i].discriminated && schemas_[i]->ssf25)
                codes.insert(codes.end(), schemas_[i]->ssf25->begin(), schemas_[i]->ssf25->end());
        std::sort(codes.begin(), codes.end());
        codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
        return codes;
    }

    std::size_t schema_index(const csengine::Schema* schema) const {
        return static_cast<std::size_t>(schema - tables_.schemas().data());
    }

    // A schema that needs no discriminator is the one choice; otherwise each
    // code of a schema's own SSF25 list that selects it is one.
    std::vector<SchemaChoice> choices(std::string_view site, std::string_view histology,
                                      const CodeList& discriminators) const {
        std::vector<SchemaChoice> found;
        const csengine::SchemaSelection plain = engine_.select_schema(site, histology, "988");
        if (plain.outcome == csengine::SelectionOutcome::Selected && !plain.schema->discriminated) {
            found.push_back(SchemaChoice{schema_index(plain.schema), std::string()});
            return found;
        }
        for (const std::string& ssf25 : discriminators) {
            const csengine::SchemaSelection s = engine_.select_schema(site, histology, ssf25);
            if (s.outcome != csengine::SelectionOutcome::Selected) continue;
            const SchemaCodes& codes = *schemas_[schema_index(s.schema)];
            if (codes.ssf25 && std::binary_search(codes.ssf25->begin(), codes.ssf25->end(), ssf25))
                found.push_back(SchemaChoice{schema_index(s.schema), ssf25});
        }
        return found;
    }

    // Draws combinations for the choice's schema the first time a pair
    // selects it, on a case of that pair with a grade that no table refuses.
    void add_combinations(std::string_view site, std::string_view histology, const SchemaChoice& choice) {
        SchemaCodes& codes = *schemas_[choice.schema];
        if (codes.drawn) return;
        codes.drawn = true;
        const std::string ssf25 = !choice.ssf25.empty() ? choice.ssf25 : codes.ssf25 ? codes.ssf25->front() : "988";
        const std::string grade = !codes.grades || std::binary_search(codes.grades->begin(), codes.grades->end(), "9")
                                      ? "9"
                                      : codes.grades->front();
        csengine::Case c(tables_);
        c.set("site", site);
        c.set("hist", histology);
        c.set("year_dx", "2012");
        c.set("cs_input_version_original", kCsVersionOriginal);
        c.set("behavior", "3");
        c.set("grade", grade);
        c.set("age_dx", "060");
        c.set("ssf25", ssf25);
        csengine::Result result;
        Random rnd(0x6a09e667f3bcc908ULL + choice.schema);
        std::string combination;
        for (std::size_t draw = 0; draw < kCombinationDraws && codes.combinations.size() < kCombinations; ++draw) {
            combination.clear();
            for (const DrawnInput& input : codes.inputs)
                combination += padded_code(pick_code(rnd, *input.codes), input.field.width);
            std::size_t at = 0;
            for (const DrawnInput& input : codes.inputs) {
                c.set(input.key_id, std::string_view(combination).substr(at, input.field.width));
                at += input.field.width;
            }
            engine_.calculate(c, result);
            if (result.problems.empty()) codes.combinations.push_back(combination);
        }
    }

    const csengine::Engine& engine_;
    const csengine::Tables& tables_;
    std::unordered_map<std::uint64_t, std::unique_ptr<CodeList>> lists_;
    std::vector<std::unique_ptr<SchemaCodes>> schemas_;  // by schema, in the tables' order
    std::unordered_map<std::string, std::vector<SchemaChoice>> pairs_;
};

// Whether a case kind is about the input, so that its code stays as the kind
// wrote it: a prostate's Gleason scores.
bool kept_for_kind(CaseKind kind, const DrawnInput& input) {
    return kind == CaseKind::prostate && (input.key == "ssf8" || input.key == "ssf10");
}

// Writes the staging inputs of a staged record: one of its schema's
// combinations, or codes drawn one by one when none derived. The items a case
// kind is about stay as the kind wrote them: a prostate's Gleason scores, a
// hematopoietic case's grade. Returns the schema chosen; null when the site
// and histology select none.
const SchemaChoice* put_schema_cs(vexlin::RecordSpan r, Random& rnd, CaseKind kind) {
    const CsCodeBook& book = CsCodeBook::instance();
    const vexlin::ConstRecordSpan record(r.data(), vexlin::kRecordLength);
    const std::vector<SchemaChoice>& choices =
        book.choices_for(vexlin::get_field(record, f::kPrimarySite), vexlin::get_field(record, f::kHistology));
    if (choices.empty()) return nullptr;
    const SchemaChoice& choice = choices[rnd.below(choices.size())];
    const SchemaCodes& codes = book.codes(choice);
    const std::string* combination =
        codes.combinations.empty() ? nullptr : &codes.combinations[rnd.below(codes.combinations.size())];
    std::size_t at = 0;
    for (const DrawnInput& input : codes.inputs) {
        const std::string_view code = combination ? std::string_view(*combination).substr(at, input.field.width)
                                                  : std::string_view(pick_code(rnd, *input.codes));
        at += input.field.width;
        if (kept_for_kind(kind, input)) continue;
        put_field(r, input.field, code);
    }
    if (!choice.ssf25.empty())
        put_field(r, f::kCsSsf25, choice.ssf25);
    else if (codes.ssf25)
        put_field(r, f::kCsSsf25, pick_code(rnd, *codes.ssf25));
    static const vexlin::Field version_original = column_of(*cstage::input_item("cs_input_version_original"));
    static const vexlin::Field age = column_of(*cstage::input_item("age_dx"));
    put_field(r, version_original, kCsVersionOriginal);
    // Some schemas stage by age (thyroid); no table limits it.
    put_field(r, age, digits(static_cast<std::uint64_t>(rnd.between(18, 90)), 3));
    const bool grade_is_the_point = kind == CaseKind::hematopoietic || kind == CaseKind::prostate;
    if (!grade_is_the_point && codes.grades) {
        const std::string grade(vexlin::get_field(record, f::kGrade));
        if (!std::binary_search(codes.grades->begin(), codes.grades->end(), grade))
            put_field(r, f::kGrade, pick_code(rnd, *codes.grades));
    }
    return &choice;
}

// A code of the input's width that the schema does not know, or that its
// table keeps only for old cases and maps to an error: digits most often,
// else letters, as keyed under other coding rules. Empty when a few draws
// find none (an input that takes nearly every code).
std::string unknown_code(Random& rnd, const SchemaChoice& choice, const DrawnInput& input) {
    if (input.old_codes && rnd.chance(30)) return pick_code(rnd, *input.old_codes);
    constexpr std::string_view kLetters = "ABCDEFGHJKMNPRSTUVWXYZ";
    std::string code(input.field.width, ' ');
    for (int draw = 0; draw < 24; ++draw) {
        const bool letters = draw >= 16 || rnd.chance(15);
        for (char& c : code)
            c = letters ? kLetters[rnd.below(kLetters.size())] : static_cast<char>('0' + rnd.below(10));
        if (!CsCodeBook::instance().accepts(choice, input, code)) return code;
    }
    return {};
}

// Staging inputs as a file coded under other rules, or in another layout,
// leaves them: the site and histology still select the schema, but ten to
// fourteen of its other inputs hold codes it does not know, each one a
// reason of its own why stage is not derived. Which inputs, and their codes,
// vary from record to record.
void put_unknown_codes(vexlin::RecordSpan r, Random& rnd, CaseKind kind, const SchemaChoice& choice) {
    const SchemaCodes& codes = CsCodeBook::instance().codes(choice);
    std::vector<const DrawnInput*> inputs;
    for (const DrawnInput& input : codes.inputs)
        if (!kept_for_kind(kind, input)) inputs.push_back(&input);
    // The first `wanted` of a shuffle are spoiled; an input whose every code
    // is known leaves the next one its turn.
    for (std::size_t i = inputs.size(); i > 1; --i) std::swap(inputs[i - 1], inputs[rnd.below(i)]);
    std::size_t wanted = static_cast<std::size_t>(rnd.between(10, 14));
    for (const DrawnInput* input : inputs) {
        if (wanted == 0) break;
        const std::string code = unknown_code(rnd, choice, *input);
        if (code.empty()) continue;
        put_field(r, input->field, code);
        --wanted;
    }
}

// Staging inputs as older coding left them: half the records keep theirs;
// in the other half one to four inputs become digits, letters or blanks of
// their width, which may be an unknown site or histology, a blank or odd
// year, or an SSF25 that selects nothing.
void scramble_staging(vexlin::RecordSpan r, Random& rnd) {
    if (rnd.chance(50)) return;
    constexpr std::string_view kLetters = "ABCXYZ";
    const std::span<const cstage::NaaccrItem> items = cstage::input_items();
    for (int n = rnd.between(1, 4); n > 0; --n) {
        const cstage::NaaccrItem& item = items[rnd.below(items.size())];
        std::string code(item.width, ' ');
        const std::uint64_t roll = rnd.below(100);
        if (roll < 70)
            for (char& c : code) c = static_cast<char>('0' + rnd.below(10));
        else if (roll < 85)
            for (char& c : code) c = kLetters[rnd.below(kLetters.size())];
        if (item.key == "year_dx" && roll < 85) code = "20" + digits(rnd.below(100), 2);
        if (item.key == "site" && roll < 85) code = "C" + digits(rnd.below(1000), 3);
        put_field(r, column_of(item), code);
    }
}

void put_tumour(vexlin::RecordSpan r, const char* site, const char* histology, char behavior, char grade) {
    put_field(r, f::kPrimarySite, site);
    put_field(r, f::kHistology, histology);
    put_field(r, f::kBehavior, std::string_view(&behavior, 1));
    put_field(r, f::kGrade, std::string_view(&grade, 1));
}

void put_treatment(vexlin::RecordSpan r, Random& rnd) {
    constexpr std::array<const char*, 5> surgery = {"00", "20", "30", "50", "90"};
    put_field(r, f::kRxSummSurgPrimSite, rnd.pick(surgery));
    put_field(r, f::kRxSummScopeRegLnSur, digits(rnd.below(8), 1));
}

}  // namespace

std::string_view case_kind_name(CaseKind kind) {
    switch (kind) {
        case CaseKind::solid: return "solid tumour";
        case CaseKind::retired_country: return "retired country code";
        case CaseKind::histology_8157: return "histology 8157";
        case CaseKind::prostate: return "prostate";
        case CaseKind::hematopoietic: return "hematopoietic";
        case CaseKind::schema_failure: return "schema failure";
        case CaseKind::before_2004: return "diagnosed before 2004";
    }
    return "";
}

CaseKind case_kind(std::uint64_t seed, std::uint64_t index) {
    Random rnd(record_seed(seed, index));
    int roll = static_cast<int>(rnd.below(100));
    for (const KindShare& share : kMix) {
        if (roll < share.percent) return share.kind;
        roll -= share.percent;
    }
    return CaseKind::solid;
}

// The tumour and its date, as the kind of case has them.
void put_case(const vexlin::RecordSpan& r, Random& rnd, CaseKind kind) {
    switch (kind) {
        case CaseKind::solid:
        case CaseKind::retired_country: {
            const SolidCase& c = rnd.pick(kSolid);
            put_tumour(r, c.site, c.histology, '3', "12349"[rnd.below(5)]);
            put_date(r, rnd, rnd.between(2004, 2014));
            break;
        }
        case CaseKind::histology_8157: {
            constexpr std::array<char, 5> behaviors = {'1', '3', '3', '1', '2'};
            put_tumour(r, "C254", "8157", rnd.pick(behaviors), "1239"[rnd.below(4)]);
            put_date(r, rnd, rnd.between(2004, 2014));
            break;
        }
        case CaseKind::prostate:
            put_tumour(r, "C619", rnd.chance(90) ? "8140" : "8550", '3', " 12349"[rnd.below(6)]);
            put_date(r, rnd, rnd.chance(75) ? rnd.between(2014, 2015) : rnd.between(2010, 2013));
            put_field(r, f::kCsSsf8, rnd.pick(kGleason));
            put_field(r, f::kCsSsf10, rnd.pick(kGleason));
            break;
        case CaseKind::hematopoietic:
            put_tumour(r, rnd.pick(kHematopoieticSites), rnd.pick(kHematopoietic), rnd.chance(95) ? '3' : '1',
                       rnd.pick(kGrades));
            put_date(r, rnd, rnd.chance(85) ? rnd.between(2010, 2015) : rnd.between(2006, 2009));
            break;
        case CaseKind::schema_failure:
            if (rnd.chance(60))
                put_tumour(r, rnd.pick(kInvalidSites), "8140", '3', '9');
            else if (rnd.chance(60))
                put_tumour(r, "C509", rnd.pick(kInvalidHistologies), '3', '9');
            else {
                put_tumour(r, "C161", "8140", '3', '2');  // a discriminator no schema of the site knows
                put_field(r, f::kCsSsf25, "XYZ");
            }
            put_date(r, rnd, rnd.between(2004, 2014));
            break;
        case CaseKind::before_2004: {
            const SolidCase& c = rnd.pick(kSolid);
            put_tumour(r, c.site, c.histology, '3', "1239"[rnd.below(4)]);
            put_date(r, rnd, rnd.between(1995, 2003));
            break;
        }
    }
}

// The staging inputs, drawn from streams of their own, so that every other
// item is what this seed always gave.
void put_staging(const vexlin::RecordSpan& r, std::uint64_t seed, std::uint64_t index, CaseKind kind,
                 Staging staging) {
    if (kind != CaseKind::before_2004 && kind != CaseKind::schema_failure) {
        Random cs_rnd(record_seed(seed, index) ^ 0x27d4eb2f165667c5ULL);
        const SchemaChoice* choice = put_schema_cs(r, cs_rnd, kind);
        if (choice && staging == Staging::problems) {
            Random problem_rnd(record_seed(seed, index) ^ 0x3c6ef372fe94f82bULL);
            put_unknown_codes(r, problem_rnd, kind, *choice);
        }
    }
    if (staging == Staging::random) {
        Random cs_rnd(record_seed(seed, index) ^ 0x165667b19e3779f9ULL);
        scramble_staging(r, cs_rnd);
    }
}

std::string make_record(std::uint64_t seed, std::uint64_t index, Staging staging) {
    std::string record(vexlin::kRecordLength, ' ');
    const vexlin::RecordSpan r(record.data(), vexlin::kRecordLength);
    const CaseKind kind = case_kind(seed, index);
    Random rnd(record_seed(seed, index) ^ 0x5bd1e995ULL);
    put_identity(r, rnd, index);
    put_countries(r, rnd, kind == CaseKind::retired_country);
    put_treatment(r, rnd);
    if (kind != CaseKind::before_2004) put_cs(r, rnd);
    put_case(r, rnd, kind);
    put_staging(r, seed, index, kind, staging);
    // Now and then an earlier system left text in the block that 15.0 reuses.
    if (rnd.chance(3)) put_field(r, f::kReservedSurvivalBlock, "LEGACY-LOCAL-USE-" + digits(index % 100000, 5));
    return record;
}

}  // namespace sample

#include "sample_records.h"

#include <array>
#include <cstdio>
#include <span>

#include "field_map.h"
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

std::string make_record(std::uint64_t seed, std::uint64_t index) {
    std::string record(vexlin::kRecordLength, ' ');
    const vexlin::RecordSpan r(record.data(), vexlin::kRecordLength);
    const CaseKind kind = case_kind(seed, index);
    Random rnd(record_seed(seed, index) ^ 0x5bd1e995ULL);
    put_identity(r, rnd, index);
    put_countries(r, rnd, kind == CaseKind::retired_country);
    put_treatment(r, rnd);
    if (kind != CaseKind::before_2004) put_cs(r, rnd);
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
                put_tumour(r, "C160", "8140", '3', '2');  // a discriminator the schema does not know
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
    // Now and then an earlier system left text in the block that 15.0 reuses.
    if (rnd.chance(3)) put_field(r, f::kReservedSurvivalBlock, "LEGACY-LOCAL-USE-" + digits(index % 100000, 5));
    return record;
}

}  // namespace sample

#include "standin_schemas.h"

#include <array>
#include <string>
#include <string_view>

namespace cstage_standin {
namespace {

// Schema names by number (index = number - 1). The numbers of Prostate and of
// the four hematopoietic and lymphoid schemas at the end follow the published
// 02.05 schema list; the others are numbered alphabetically.
// Views of the literals, so that matching a name measures nothing; each still
// ends in a NUL for schema_name.
constexpr std::array<std::string_view, kSchemaCount> kSchemaNames{
    "AdnexaUterineOther", "AdrenalGland", "AmpullaVater", "Anus", "Appendix", "BileDuctsDistal",
    "BileDuctsIntrahepat", "BileDuctsPerihilar", "BiliaryOther", "Bladder", "Bone", "Brain",
    "Breast", "BuccalMucosa", "Cervix", "CNSOther", "Colon", "Conjunctiva", "CorpusAdenosarcoma",
    "CorpusCarcinoma", "CorpusSarcoma", "CysticDuct", "DigestiveOther", "EndocrineOther",
    "EpiglottisAnterior", "Esophagus", "EsophagusGEJunction", "EyeOther", "FallopianTube",
    "FloorMouth", "GallBladder", "GenitalFemaleOther", "GenitalMaleOther", "GISTAppendix",
    "GISTColon", "GISTEsophagus", "GISTPeritoneum", "GISTRectum", "GISTSmallIntestine",
    "GISTStomach", "GumLower", "GumOther", "GumUpper", "HeartMediastinum", "Hypopharynx",
    "IntracranialGland", "KidneyParenchyma", "KidneyRenalPelvis", "LacrimalGland", "LacrimalSac",
    "LarynxGlottic", "LarynxOther", "LarynxSubglottic", "LarynxSupraglottic", "LipLower",
    "LipOther", "LipUpper", "Liver", "Lung", "MelanomaBuccalMucosa", "MelanomaChoroid",
    "MelanomaCiliaryBody", "MelanomaConjunctiva", "MelanomaEpiglottisAnterior", "MelanomaEyeOther",
    "MelanomaFloorMouth", "MelanomaGumLower", "MelanomaGumOther", "MelanomaGumUpper",
    "MelanomaHypopharynx", "MelanomaIris", "MelanomaLarynxGlottic", "MelanomaLarynxOther",
    "MelanomaLarynxSubglottic", "MelanomaLarynxSupraglottic", "MelanomaLipLower",
    "MelanomaLipOther", "MelanomaLipUpper", "MelanomaMouthOther", "MelanomaNasalCavity",
    "MelanomaNasopharynx", "MelanomaOropharynx", "MelanomaPalateHard", "MelanomaPalateSoft",
    "MelanomaPharynxOther", "MelanomaSinusEthmoid", "MelanomaSinusMaxillary", "MelanomaSinusOther",
    "MelanomaSkin", "MelanomaTongueAnterior", "MelanomaTongueBase", "MerkelCellPenis",
    "MerkelCellScrotum", "MerkelCellSkin", "MerkelCellVulva", "MiddleEar", "MouthOther",
    "NasalCavity", "Nasopharynx", "NETAmpulla", "NETColon", "NETRectum", "NETSmallIntestine",
    "NETStomach", "Orbit", "Oropharynx", "Ovary", "PalateHard", "PalateSoft", "PancreasBodyTail",
    "PancreasHead", "PancreasOther", "ParotidGland", "Penis", "Peritoneum", "PeritoneumFemaleGen",
    "PharyngealTonsil", "PharynxOther", "Placenta", "Pleura", "Prostate", "Rectum", "RespirOther",
    "Retinoblastoma", "Retroperitoneum", "SalivaryGlandOther", "Scrotum", "SinusEthmoid",
    "SinusMaxillary", "SinusOther", "Skin", "SkinEyelid", "SmallIntestine", "SoftTissue",
    "Stomach", "SubmandibularGland", "Testis", "Thyroid", "TongueAnterior", "TongueBase",
    "Trachea", "Urethra", "UrinaryOther", "Vagina", "Vulva", "CarcinoidAppendix", "KaposiSarcoma",
    "LymphomaOcularAdnexa", "MycosisFungoides", "Lymphoma", "HemeRetic",
    "MyelomaPlasmaCellDisorder", "IllDefinedOther",
};

// ICD-O-3 topography: each category C00 to C80 with the subsite digits that
// exist in it (an empty text: the category does not exist).
struct TopographyCategory {
    int category;
    const char* subsites;
};
constexpr TopographyCategory kTopography[] = {
    {0, "012345689"}, {1, "9"}, {2, "0123489"}, {3, "019"}, {4, "0189"}, {5, "01289"},
    {6, "01289"}, {7, "9"}, {8, "0189"}, {9, "0189"}, {10, "0123489"}, {11, "012389"}, {12, "9"},
    {13, "01289"}, {14, "028"}, {15, "01234589"}, {16, "012345689"}, {17, "012389"},
    {18, "0123456789"}, {19, "9"}, {20, "9"}, {21, "0128"}, {22, "01"}, {23, "9"}, {24, "0189"},
    {25, "01234789"}, {26, "089"}, {30, "01"}, {31, "012389"}, {32, "012389"}, {33, "9"},
    {34, "012389"}, {37, "9"}, {38, "012348"}, {39, "089"}, {40, "012389"}, {41, "0123489"},
    {42, "01234"}, {44, "0123456789"}, {47, "012345689"}, {48, "0128"}, {49, "012345689"},
    {50, "012345689"}, {51, "01289"}, {52, "9"}, {53, "0189"}, {54, "012389"}, {55, "9"},
    {56, "9"}, {57, "01234789"}, {58, "9"}, {60, "01289"}, {61, "9"}, {62, "019"},
    {63, "012789"}, {64, "9"}, {65, "9"}, {66, "9"}, {67, "0123456789"}, {68, "0189"},
    {69, "012345689"}, {70, "019"}, {71, "0123456789"}, {72, "01234589"}, {73, "9"},
    {74, "019"}, {75, "01234589"}, {76, "01234578"}, {77, "01234589"}, {80, "9"},
};

// Site schemas: every site code (C and three digits, as the number 0 to 809)
// in first..last selects the schema, unless a histology row below decides.
// A null name: the site takes only schemas chosen by histology (bone marrow
// and blood take hematopoietic histologies only).
struct SiteSchema {
    int first;
    int last;
    const char* name;
};
constexpr SiteSchema kSiteSchemas[] = {
    {0, 0, "LipUpper"}, {1, 1, "LipLower"}, {2, 2, "LipOther"}, {3, 3, "LipUpper"},
    {4, 4, "LipLower"}, {5, 9, "LipOther"}, {19, 19, "TongueBase"}, {20, 23, "TongueAnterior"},
    {24, 24, "TongueBase"}, {28, 29, "TongueAnterior"}, {30, 30, "GumUpper"}, {31, 31, "GumLower"},
    {39, 39, "GumOther"}, {40, 49, "FloorMouth"}, {50, 50, "PalateHard"}, {51, 52, "PalateSoft"},
    {58, 59, "MouthOther"}, {60, 60, "BuccalMucosa"}, {61, 69, "MouthOther"},
    {79, 79, "ParotidGland"}, {80, 80, "SubmandibularGland"}, {81, 89, "SalivaryGlandOther"},
    {90, 100, "Oropharynx"}, {101, 101, "EpiglottisAnterior"}, {102, 109, "Oropharynx"},
    {110, 119, "Nasopharynx"}, {129, 139, "Hypopharynx"}, {140, 148, "PharynxOther"},
    {150, 159, "Esophagus"}, {160, 169, "Stomach"}, {170, 179, "SmallIntestine"},
    {180, 180, "Colon"}, {181, 181, "Appendix"}, {182, 189, "Colon"}, {199, 209, "Rectum"},
    {210, 218, "Anus"}, {220, 220, "Liver"}, {221, 221, "BileDuctsIntrahepat"},
    {239, 239, "GallBladder"}, {240, 240, "BileDuctsPerihilar"}, {241, 241, "AmpullaVater"},
    {248, 249, "BiliaryOther"}, {250, 250, "PancreasHead"}, {251, 252, "PancreasBodyTail"},
    {253, 259, "PancreasOther"}, {260, 269, "DigestiveOther"}, {300, 300, "NasalCavity"},
    {301, 301, "MiddleEar"}, {310, 310, "SinusMaxillary"}, {311, 311, "SinusEthmoid"},
    {312, 319, "SinusOther"}, {320, 320, "LarynxGlottic"}, {321, 321, "LarynxSupraglottic"},
    {322, 322, "LarynxSubglottic"}, {323, 329, "LarynxOther"}, {339, 339, "Trachea"},
    {340, 349, "Lung"}, {379, 383, "HeartMediastinum"}, {384, 384, "Pleura"},
    {388, 388, "HeartMediastinum"}, {390, 399, "RespirOther"}, {400, 419, "Bone"},
    {420, 424, nullptr}, {440, 440, "Skin"}, {441, 441, "SkinEyelid"}, {442, 449, "Skin"},
    {470, 479, "SoftTissue"}, {480, 480, "Retroperitoneum"}, {481, 488, "Peritoneum"},
    {490, 499, "SoftTissue"}, {500, 509, "Breast"}, {510, 519, "Vulva"}, {529, 529, "Vagina"},
    {530, 539, "Cervix"}, {540, 559, "CorpusCarcinoma"}, {569, 569, "Ovary"},
    {570, 570, "FallopianTube"}, {571, 574, "AdnexaUterineOther"}, {577, 579, "GenitalFemaleOther"},
    {589, 589, "Placenta"}, {600, 609, "Penis"}, {619, 619, "Prostate"}, {620, 629, "Testis"},
    {630, 631, "GenitalMaleOther"}, {632, 632, "Scrotum"}, {637, 639, "GenitalMaleOther"},
    {649, 649, "KidneyParenchyma"}, {659, 669, "KidneyRenalPelvis"}, {670, 679, "Bladder"},
    {680, 680, "Urethra"}, {681, 689, "UrinaryOther"}, {690, 690, "Conjunctiva"},
    {691, 694, "EyeOther"}, {695, 695, "LacrimalGland"}, {696, 696, "Orbit"},
    {698, 699, "EyeOther"}, {700, 709, "CNSOther"}, {710, 719, "Brain"}, {720, 729, "CNSOther"},
    {739, 739, "Thyroid"}, {740, 749, "AdrenalGland"}, {750, 750, "EndocrineOther"},
    {751, 753, "IntracranialGland"}, {754, 759, "EndocrineOther"}, {760, 768, "IllDefinedOther"},
    {770, 779, "IllDefinedOther"}, {809, 809, "IllDefinedOther"},
};

// Sites whose schema depends on CS Site-Specific Factor 25: each accepted
// value and the schema it selects. Any other value fails the selection.
struct Discriminator {
    int site;
    const char* ssf25;
    const char* name;
};
constexpr Discriminator kDiscriminators[] = {
    {111, "010", "PharyngealTonsil"}, {111, "020", "Nasopharynx"}, {111, "981", "Nasopharynx"},
    {111, "999", "Nasopharynx"},
    {160, "000", "Stomach"}, {160, "020", "EsophagusGEJunction"}, {160, "030", "Stomach"},
    {160, "040", "EsophagusGEJunction"}, {160, "060", "EsophagusGEJunction"},
    {160, "981", "Stomach"}, {160, "982", "EsophagusGEJunction"}, {160, "999", "Stomach"},
    {161, "000", "Stomach"}, {161, "030", "Stomach"}, {161, "981", "Stomach"},
    {161, "982", "EsophagusGEJunction"}, {161, "999", "Stomach"},
    {162, "000", "Stomach"}, {162, "030", "Stomach"}, {162, "981", "Stomach"},
    {162, "982", "EsophagusGEJunction"}, {162, "999", "Stomach"},
};

// Histology rows, tried in order before the site schema. A row matches a
// site in site_first..site_last (0..809: every site) and a histology in
// hist_first..hist_last. A schema row selects its schema outright; a prefix
// row selects prefix + the site schema's name when such a schema exists
// (melanoma of the skin: "Melanoma" + "Skin"), else it is passed over.
enum class RowKind { Schema, Prefix };
struct HistologyRow {
    int site_first;
    int site_last;
    int hist_first;
    int hist_last;
    RowKind kind;
    const char* name;
};
constexpr int kAnySiteFirst = 0;
constexpr int kAnySiteLast = 809;
constexpr HistologyRow kHistologyRows[] = {
    {kAnySiteFirst, kAnySiteLast, 9731, 9732, RowKind::Schema, "MyelomaPlasmaCellDisorder"},
    {kAnySiteFirst, kAnySiteLast, 9734, 9734, RowKind::Schema, "MyelomaPlasmaCellDisorder"},
    {kAnySiteFirst, kAnySiteLast, 9590, 9729, RowKind::Schema, "Lymphoma"},
    {kAnySiteFirst, kAnySiteLast, 9735, 9735, RowKind::Schema, "Lymphoma"},
    {kAnySiteFirst, kAnySiteLast, 9737, 9738, RowKind::Schema, "Lymphoma"},
    {kAnySiteFirst, kAnySiteLast, 9730, 9992, RowKind::Schema, "HemeRetic"},
    {kAnySiteFirst, kAnySiteLast, 9140, 9140, RowKind::Schema, "KaposiSarcoma"},
    {181, 181, 8240, 8242, RowKind::Schema, "CarcinoidAppendix"},
    {181, 181, 8246, 8246, RowKind::Schema, "CarcinoidAppendix"},
    {181, 181, 8249, 8249, RowKind::Schema, "CarcinoidAppendix"},
    {692, 692, 9510, 9514, RowKind::Schema, "Retinoblastoma"},
    {693, 693, 8720, 8790, RowKind::Schema, "MelanomaChoroid"},
    {694, 694, 8720, 8790, RowKind::Schema, "MelanomaCiliaryBody"},
    {540, 559, 8933, 8933, RowKind::Schema, "CorpusAdenosarcoma"},
    {540, 559, 8800, 8932, RowKind::Schema, "CorpusSarcoma"},
    {540, 559, 8934, 8934, RowKind::Schema, "CorpusSarcoma"},
    {kAnySiteFirst, kAnySiteLast, 8720, 8790, RowKind::Prefix, "Melanoma"},
    {kAnySiteFirst, kAnySiteLast, 8247, 8247, RowKind::Prefix, "MerkelCell"},
    {kAnySiteFirst, kAnySiteLast, 8935, 8936, RowKind::Prefix, "GIST"},
    {kAnySiteFirst, kAnySiteLast, 8153, 8153, RowKind::Prefix, "NET"},
    {kAnySiteFirst, kAnySiteLast, 8240, 8242, RowKind::Prefix, "NET"},
    {kAnySiteFirst, kAnySiteLast, 8246, 8246, RowKind::Prefix, "NET"},
    {kAnySiteFirst, kAnySiteLast, 8249, 8249, RowKind::Prefix, "NET"},
};

bool all_digits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return !text.empty();
}

int digits_value(std::string_view text) {
    int value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return value;
}

int schema_by_name(std::string_view name) {
    for (std::size_t i = 0; i < kSchemaNames.size(); ++i)
        if (name == kSchemaNames[i]) return static_cast<int>(i) + 1;
    return 0;
}

// Site schema of a valid site: a schema number, 0 for a histology-only site,
// or kDiscriminatorNotAccepted.
int site_schema(int site, std::string_view ssf25) {
    bool discriminated = false;
    for (const Discriminator& d : kDiscriminators) {
        if (d.site != site) continue;
        discriminated = true;
        if (ssf25 == d.ssf25) return schema_by_name(d.name);
    }
    if (discriminated) return kDiscriminatorNotAccepted;
    for (const SiteSchema& s : kSiteSchemas)
        if (site >= s.first && site <= s.last) return s.name ? schema_by_name(s.name) : 0;
    return 0;
}

bool row_matches(const HistologyRow& row, int site, int histology) {
    return site >= row.site_first && site <= row.site_last && histology >= row.hist_first &&
           histology <= row.hist_last;
}

}  // namespace

bool is_valid_topography(std::string_view site) {
    if (site.size() != 4 || site[0] != 'C' || !all_digits(site.substr(1))) return false;
    const int category = digits_value(site.substr(1, 2));
    const char subsite = site[3];
    for (const TopographyCategory& t : kTopography)
        if (t.category == category) return std::string_view(t.subsites).find(subsite) != std::string_view::npos;
    return false;
}

bool is_valid_morphology(std::string_view histology) {
    if (histology.size() != 4 || !all_digits(histology)) return false;
    const int code = digits_value(histology);
    return (code >= 8000 && code <= 9582) || (code >= 9590 && code <= 9992);
}

int select_schema(std::string_view site, std::string_view histology, std::string_view ssf25) {
    if (!is_valid_topography(site)) return -1001;
    if (!is_valid_morphology(histology)) return -1000;
    const int site_code = digits_value(site.substr(1));
    const int hist_code = digits_value(histology);

    for (const HistologyRow& row : kHistologyRows)
        if (row.kind == RowKind::Schema && row_matches(row, site_code, hist_code)) return schema_by_name(row.name);

    const int base = site_schema(site_code, ssf25);
    if (base < 0) return base;
    if (base == 0) return -1000;  // no schema for this histology at this site
    for (const HistologyRow& row : kHistologyRows) {
        if (row.kind != RowKind::Prefix || !row_matches(row, site_code, hist_code)) continue;
        const int prefixed = schema_by_name(std::string(row.name).append(kSchemaNames[base - 1]));
        if (prefixed > 0) return prefixed;
    }
    return base;
}

const char* schema_name(int schema_number) {
    if (schema_number < 1 || schema_number > kSchemaCount) return nullptr;
    return kSchemaNames[schema_number - 1].data();
}

}  // namespace cstage_standin

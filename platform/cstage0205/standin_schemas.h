// Schema selection of the stand-in Collaborative Stage library: which of the
// 153 schemas a primary site, histology and CS Site-Specific Factor 25 select.
// The tables behind it are in standin_schemas.cpp and described in README.md.
#pragma once

#include <string_view>

namespace cstage_standin {

inline constexpr int kSchemaCount = 153;

// Schema numbers that other parts of the stand-in refer to.
inline constexpr int kSchemaProstate = 121;
inline constexpr int kSchemaLymphoma = 150;
inline constexpr int kSchemaHemeRetic = 151;
inline constexpr int kSchemaMyeloma = 152;
inline constexpr int kSchemaIllDefinedOther = 153;

// Selection failures besides the two of the contract (-1001 site, -1000
// histology): the site needs a discriminator and SSF25 holds none it accepts.
inline constexpr int kDiscriminatorNotAccepted = -1002;

// Schema number 1 to 153, or -1001, -1000 or kDiscriminatorNotAccepted.
// site "C619", histology "8140", ssf25 "010"; any other length fails.
int select_schema(std::string_view site, std::string_view histology, std::string_view ssf25);

// Name of schema 1 to 153; nullptr for any other number.
const char* schema_name(int schema_number);

// Whether a site is a valid ICD-O-3 topography code ("C" and three digits,
// an existing category and subsite).
bool is_valid_topography(std::string_view site);

// Whether a histology is a morphology code the stand-in knows: four digits,
// 8000 to 9582 or 9590 to 9992.
bool is_valid_morphology(std::string_view histology);

}  // namespace cstage_standin

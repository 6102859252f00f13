// SPDX-License-Identifier: Apache-2.0
// The NAACCR record items that the conversion library reads or writes: the one
// place where an item's offset and width are written. Offsets are 0-based
// (NAACCR start column - 1); widths are in characters.
#pragma once

#include <cstddef>

namespace vexlin {

// Length of one NAACCR record of type A (abstract), versions 14.0 and 15.0.
inline constexpr std::size_t kRecordLength = 22824;

struct Field {
    std::size_t offset;
    std::size_t width;
};

namespace field {

// Identification, demographic and diagnosis items.
inline constexpr Field kRecordType{0, 1};              // Record Type
inline constexpr Field kRecordVersion{16, 3};          // NAACCR Record Version
inline constexpr Field kPatientId{41, 8};              // Patient ID Number
inline constexpr Field kAddrAtDxCountry{435, 3};       // Addr at Dx--Country
inline constexpr Field kAddrCurrentCountry{438, 3};    // Addr Current--Country
inline constexpr Field kBirthplaceCountry{443, 3};     // Birthplace--Country
inline constexpr Field kFollowupContactCountry{446, 3};// Followup Contact--Country
inline constexpr Field kPlaceOfDeathCountry{451, 3};   // Place of Death--Country
inline constexpr Field kSeqNumCentral{527, 2};         // Sequence Number--Central
inline constexpr Field kDiagnosisYear{529, 4};         // Date of Diagnosis, first four characters
inline constexpr Field kDateOfDiagnosis{529, 8};       // Date of Diagnosis, YYYYMMDD
inline constexpr Field kPrimarySite{539, 4};           // Primary Site
inline constexpr Field kHistology{549, 4};             // Histologic Type ICD-O-3
inline constexpr Field kBehavior{553, 1};              // Behavior Code ICD-O-3
inline constexpr Field kGrade{554, 1};                 // Grade
inline constexpr Field kReportingFacility{700, 10};    // Reporting Facility
inline constexpr Field kAccNumHospital{730, 9};        // Accession Number--Hosp
inline constexpr Field kSeqNumHospital{739, 2};        // Sequence Number--Hospital

// Collaborative Stage input items.
inline constexpr Field kCsExtension{987, 3};           // CS Extension
inline constexpr Field kCsTumorSizeExtEval{990, 1};    // CS Tumor Size/Ext Eval
inline constexpr Field kCsLymphNodes{991, 3};          // CS Lymph Nodes
inline constexpr Field kCsLymphNodesEval{994, 1};      // CS Lymph Nodes Eval
inline constexpr Field kCsMetsAtDx{995, 2};            // CS Mets at DX
inline constexpr Field kCsMetsEval{997, 1};            // CS Mets Eval

// CS Site-Specific Factor n, n = 1 to 25, back to back three characters each.
inline constexpr std::size_t kSsfCount = 25;
constexpr Field cs_ssf(int n) { return {1002 + 3 * static_cast<std::size_t>(n - 1), 3}; }
inline constexpr Field kCsSsf8 = cs_ssf(8);            // prostate: first Gleason score
inline constexpr Field kCsSsf10 = cs_ssf(10);          // prostate: second Gleason score
inline constexpr Field kCsSsf25 = cs_ssf(25);          // schema discriminator

// CS Version Input Current (NAACCR item 2937). Staging is skipped when it sorts
// below "020000". CS Version Input Original (item 2935) follows at column 1167.
inline constexpr Field kCsVersionInputCurrent{1160, 6};

// Collaborative Stage output items.
inline constexpr Field kDerivedAjcc6T{1102, 2};
inline constexpr Field kDerivedAjcc6TDescript{1104, 1};
inline constexpr Field kDerivedAjcc6N{1105, 2};
inline constexpr Field kDerivedAjcc6NDescript{1107, 1};
inline constexpr Field kDerivedAjcc6M{1108, 2};
inline constexpr Field kDerivedAjcc6MDescript{1110, 1};
inline constexpr Field kDerivedAjcc6StageGrp{1111, 2};
inline constexpr Field kDerivedAjcc7T{1113, 3};
inline constexpr Field kDerivedAjcc7TDescript{1116, 1};
inline constexpr Field kDerivedAjcc7N{1117, 3};
inline constexpr Field kDerivedAjcc7NDescript{1120, 1};
inline constexpr Field kDerivedAjcc7M{1121, 3};
inline constexpr Field kDerivedAjcc7MDescript{1124, 1};
inline constexpr Field kDerivedAjcc7StageGrp{1125, 3};
// The fourteen AJCC items above as one block, blanked as a whole.
inline constexpr Field kDerivedAjccBlock{1102, 26};
inline constexpr Field kDerivedSs1977{1154, 1};
inline constexpr Field kDerivedSs2000{1155, 1};
inline constexpr Field kDerivedAjccFlag{1157, 1};
inline constexpr Field kDerivedSs1977Flag{1158, 1};
inline constexpr Field kDerivedSs2000Flag{1159, 1};
inline constexpr Field kCsVersionDerived{1172, 6};

// Treatment items and others.
inline constexpr Field kRxSummSurgPrimSite{1566, 2};   // RX Summ--Surg Prim Site
inline constexpr Field kRxSummScopeRegLnSur{1568, 1};  // RX Summ--Scope Reg LN Sur
// Over-ride CS 20 (NAACCR item 3769): "1" suppresses the derived stage items.
inline constexpr Field kOverrideCs20{2034, 1};
// Reserved in 14.0; the seven new survival items of 15.0 live here, so the
// conversion blanks the whole block.
inline constexpr Field kReservedSurvivalBlock{2291, 34};

}  // namespace field

static_assert(field::kAccNumHospital.offset + field::kAccNumHospital.width == field::kSeqNumHospital.offset);
static_assert(field::kCsSsf25.offset == 1074);
static_assert(field::kCsSsf8.offset == 1023 && field::kCsSsf10.offset == 1029);
static_assert(field::kDerivedAjcc7StageGrp.offset + field::kDerivedAjcc7StageGrp.width ==
              field::kDerivedAjccBlock.offset + field::kDerivedAjccBlock.width);

}  // namespace vexlin

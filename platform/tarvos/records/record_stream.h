// SPDX-License-Identifier: Apache-2.0
// Streams records from the input through the converter into the output, in
// large blocks. While the records have the record length and the same line
// end, the input is read straight into the output block, a block at a time,
// and converted there in place; any other record is copied into the block,
// padded to the record length, converted there and followed by the line end
// it had in the input. Every record is checked as it comes: from the first
// that cannot be converted on, the rest are only checked, so that the file is
// refused naming its records that fail, after one read of it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "block_writer.h"
#include "line_reader.h"

namespace tarvos {

// The length of the record the conversion works on: an abstract's.
inline constexpr std::size_t kConversionLength = 22824;

// Converts one record of kConversionLength in place; returns its result flags.
using RecordConverter =
    std::function<int(int record_number, char* record, unsigned char& restage, unsigned char& review)>;

struct StreamCounts {
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    std::uint64_t padded = 0;       // shorter than the record length, filled with blanks
    std::uint64_t cut = 0;          // only blanks past the record length, dropped
    std::uint64_t utf8 = 0;         // UTF-8 text: read a character a column
    std::uint64_t final_empty_lines = 0;  // the file's last line end doubled: no record, ignored
    std::uint64_t cleaned = 0;      // records with bytes the conversion blanked
    std::uint64_t cleaned_bytes = 0;  // control characters and bytes outside ASCII, blanked
    std::uint64_t noted = 0;        // records that need a registrar's look: those the run log lists
    std::uint64_t bytes_read = 0;
    std::uint64_t no_schema_for_site = 0;
    std::uint64_t no_schema_for_histology = 0;
    std::uint64_t schema_failure = 0;
    std::uint64_t field_changed = 0;
    std::uint64_t calculation_error = 0;
    std::uint64_t restaged = 0;
    std::uint64_t for_review = 0;
};

enum class StreamEnd { done, bad_record, read_error, write_error, stopped };

struct StreamResult {
    StreamEnd end = StreamEnd::done;
    std::string error;  // why the reading stopped
    StreamCounts counts;
    // bad_record: the records that cannot be converted, as "line 6: version
    // \"150\"", the first kListedProblems of them, and how many in all.
    std::vector<std::string> problems;
    std::uint64_t problem_count = 0;
};

inline constexpr std::size_t kListedProblems = 10;

// What happened to one record that a registrar may want to look at: it was
// padded, cut, read as UTF-8 or cleaned, or the conversion could not select
// its schema or derive its stage.
struct RecordNote {
    std::uint64_t line = 0;       // its line in the input, which is also its record number
    std::string_view patient_id;  // Patient ID Number, as the converted record holds it
    std::uint64_t length = 0;     // of the line, when padded or cut
    bool padded = false, cut = false, utf8 = false;
    std::uint64_t cleaned_bytes = 0;
    int flags = 0;  // the conversion's result flags
};
using NoteSink = std::function<void(const RecordNote&)>;

// Result flags of the conversion library's record exports.
inline constexpr int kNoSchemaForSite = 8;
inline constexpr int kNoSchemaForHistology = 16;
inline constexpr int kSchemaFailure = 32;
inline constexpr int kFieldChanged = 64;
inline constexpr int kCalculationError = 128;

// The result flags that make a record worth a note.
inline constexpr int kNotedFlags = kNoSchemaForSite | kNoSchemaForHistology | kSchemaFailure | kCalculationError;

// Called after every record; returning false stops the stream (interrupt).
using ProgressTick = std::function<bool(const StreamCounts&)>;

// Why a record cannot be converted (its text, cut at the keep limit, and its
// full length), in words that follow "line N: "; nothing when it can.
using RecordCheck = std::function<std::optional<std::string>(std::string_view text, std::uint64_t length)>;

// Streams records of the file's record length (at most kConversionLength),
// each checked first when a check is given.
StreamResult stream_records(naaccr::LineReader& input, BlockWriter& output, std::size_t record_length,
                            const RecordConverter& convert, const ProgressTick& tick, const NoteSink& note = nullptr,
                            const RecordCheck& check = nullptr);

}  // namespace tarvos

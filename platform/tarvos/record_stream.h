// Streams records from the input through the converter into the output, in
// large blocks: each record is copied once, into the output block, padded to
// the record length, converted there in place and followed by the line end
// it had in the input.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "line_reader.h"

namespace tarvos {

// Writes one block; false on a write error (errno tells why).
using ByteSink = std::function<bool(std::string_view block)>;

class BlockWriter {
public:
    explicit BlockWriter(ByteSink sink, std::size_t block_size = std::size_t{1} << 20);
    // Room for n bytes at the end of the block, written out first when full.
    char* reserve(std::size_t n);
    void commit(std::size_t n) { used_ += n; }
    bool flush();
    bool failed() const { return failed_; }

private:
    ByteSink sink_;
    std::vector<char> block_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Converts one record of the record length in place; returns its result flags.
using RecordConverter =
    std::function<int(int record_number, char* record, unsigned char& restage, unsigned char& review)>;

struct StreamCounts {
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    std::uint64_t padded = 0;       // shorter than the record length, filled with blanks
    std::uint64_t cut = 0;          // only blanks past the record length, dropped
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
    std::string error;  // names the line for a bad record
    StreamCounts counts;
};

// Called after every record; returning false stops the stream (interrupt).
using ProgressTick = std::function<bool(const StreamCounts&)>;

StreamResult stream_records(naaccr::LineReader& input, BlockWriter& output, std::size_t record_length,
                            const RecordConverter& convert, const ProgressTick& tick);

}  // namespace tarvos

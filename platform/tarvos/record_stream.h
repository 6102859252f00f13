// Streams records from the input through the converter into the output, in
// large blocks. While the records have the record length and the same line
// end, the input is read straight into the output block, a block at a time,
// and converted there in place; any other record is copied into the block,
// padded to the record length, converted there and followed by the line end
// it had in the input.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <mutex>
#include <vector>

#include "line_reader.h"

namespace tarvos {

// Writes one block; false on a write error (errno tells why).
using ByteSink = std::function<bool(std::string_view block)>;

// Fills one block while the sink writes the one before on a thread of its
// own, so that converting and writing overlap. The sink is called for one
// block at a time, in order; a write error shows in failed() once that
// write has ended, and in flush().
class BlockWriter {
public:
    explicit BlockWriter(ByteSink sink, std::size_t block_size = std::size_t{1} << 19);
    ~BlockWriter();
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Room for n bytes at the end of the block, handed to the sink first when full.
    char* reserve(std::size_t n);
    // All the room left in the block, handed to the sink first when less than
    // at_least bytes are left.
    std::span<char> room(std::size_t at_least);
    void commit(std::size_t n) { used_ += n; }
    // Hands a block filled elsewhere to the sink as it is, after what this
    // writer holds: its first used bytes, without a copy. Gives back a block
    // of this writer's, no longer in use, for the caller to fill again.
    std::vector<char> adopt(std::vector<char>&& block, std::size_t used);
    std::size_t block_size() const { return block_size_; }
    // Writes what is in the block and waits until every write has ended.
    bool flush();
    // Waits until the write in progress has ended; the block is kept.
    void wait();
    bool failed() const { return failed_.load(); }

private:
    void hand_over();
    void write_blocks();

    ByteSink sink_;
    std::size_t block_size_;
    std::vector<char> blocks_[2];
    int current_ = 0;
    std::size_t used_ = 0;
    std::atomic<bool> failed_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::string_view pending_;  // handed over, not yet written
    bool busy_ = false;         // pending_ is being written
    bool closing_ = false;
    std::thread thread_;
};

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
    std::string error;  // names the line for a bad record
    StreamCounts counts;
};

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

// The result flags that make a record worth a note.
inline constexpr int kNotedFlags = 8 | 16 | 32 | 128;

// One line of the run log for a note. reasons: the messages rows logged for
// its record, in order: a schema failure is told in the words of its row, a
// stage calculation error in the words of its "CS says" rows (in general
// words when there are none).
std::string note_text(const RecordNote& note, const std::vector<std::string>& reasons = {});

// Called after every record; returning false stops the stream (interrupt).
using ProgressTick = std::function<bool(const StreamCounts&)>;

// Streams records of the file's record length (at most kConversionLength).
StreamResult stream_records(naaccr::LineReader& input, BlockWriter& output, std::size_t record_length,
                            const RecordConverter& convert, const ProgressTick& tick, const NoteSink& note = nullptr);

}  // namespace tarvos

// The run log: a line for every record a registrar may want to look at.
// While the records convert, their notes go to a file of notes beside the
// run log; once the conversion library has closed the results database, the
// run log is written from the notes and the messages logged for each record,
// so that the line of a record whose schema or stage failed carries the
// reasons in the words of the messages report.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "record_stream.h"

namespace tarvos {

// The notes of a run, a line each, in the order they came.
class NoteFile {
public:
    // Creates the file; an existing file of that name is left alone, and the
    // note file is then not open (errno tells why).
    explicit NoteFile(std::string path);
    // Closes the file and removes it.
    ~NoteFile();
    NoteFile(const NoteFile&) = delete;
    NoteFile& operator=(const NoteFile&) = delete;

    bool is_open() const { return file_ != nullptr; }
    void add(const RecordNote& note);
    // Ends the writing; false when a note could not be written.
    bool finish();
    // The first error of the writing (an errno value), or 0.
    int error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    int error_ = 0;
};

// One line of the run log for a note. reasons: the messages rows logged for
// its record, in order: a schema failure is told in the words of its row, a
// stage calculation error in the words of its "CS says" rows (in general
// words when there are none).
std::string note_text(const RecordNote& note, const std::vector<std::string>& reasons = {});

struct RunLogLines {
    std::vector<std::string> first;  // the first lines, line ends included
    std::uint64_t total = 0;
};

// Writes a line for every note of the finished note file to out (none when
// out is null), each with the reasons the results database at database_path
// holds for its record, and the system's line ends; keeps the first keep
// lines. The first error (an errno value) that stopped the notes being read
// back or out written, or 0.
int write_run_log(const NoteFile& notes, const std::string& database_path, std::FILE* out, std::size_t keep,
                  RunLogLines& lines);

}  // namespace tarvos

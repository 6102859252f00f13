// SPDX-License-Identifier: Apache-2.0
// The few things the runner needs from the operating system, kept in one
// place: terminal detection, interrupts, exclusive creation, flushing to
// disk, replacing a file, and telling whether two names are the same file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tarvos {

bool stderr_is_terminal();

// One heap for all the runner's threads: the tables built on the warm-up
// thread and the results read on the page's thread then leave memory that
// the rest of the run reuses, rather than heaps of their own beside it.
void share_one_heap();

// Gives the heap's free pages back to the system, wherever they lie between
// the blocks still in use: a phase that is over leaves no memory behind for
// the next to add to.
void give_back_free_memory();

// Ctrl-C, termination and hang-up only set a flag that the conversion loop
// polls, so that it can clean up before it stops.
void install_interrupt_handlers();
bool interrupt_requested();
// What a Cancel button does: the same as an interrupt.
void request_interrupt();
// The exit code that tells the parent about the interrupt.
int interrupted_exit_code();

// Creates a file that must not exist yet, for binary writing; null when it
// exists or cannot be created (errno tells why).
std::FILE* create_new_file(const std::string& path);

// A file for the run's own use, read and written, in folder: without a name
// where the system has such files (Linux), else deleted as soon as it is
// closed, so that nothing is left of it however the run ends. Null when it
// cannot be created (errno tells why).
std::FILE* create_scratch_file(const std::string& folder);

// Sets aside room on the disk for a file about to be written to about this
// size, where the system can: each block written then finds its room already
// found, which halves the system's work per block. Only a hint: where the
// system cannot, nothing is set aside, and the writes tell of a full disk.
void reserve_room(std::FILE* file, std::uint64_t bytes);
// Gives back what was set aside past the end of the file, now of this size.
// Only the room is given back; the file's content stays as written.
void release_room_past(std::FILE* file, std::uint64_t size);

// Asks the operating system to start writing a range of the file to disk
// now, without waiting, so that the final flush finds little left to do.
// Does nothing where there is no such request.
void start_writeback(std::FILE* file, std::uint64_t offset, std::uint64_t length);
// The same for the whole of a file named by its path, written by others;
// nothing when it cannot be opened.
void start_writeback(const std::string& path);

// Flushes the stream and the operating system's cache of the file to disk.
bool flush_to_disk(std::FILE* file);

// Flushes what was written to an unbuffered stream to the disk, its data
// without waiting for its times: safe beside writes from another thread.
bool flush_written_data(std::FILE* file);

// Flushes a closed file, named by its path, to disk; an empty text on
// success, else the system's reason.
std::string flush_file(const std::string& path);

// Flushes a folder's entries (names created, renamed or removed in it) to
// disk; an empty text on success, else the system's reason. Windows writes
// them through at each rename: nothing to do there.
std::string flush_folder(const std::string& folder);

// A name for this run that no other process can foresee: the process number
// and twelve random hexadecimal digits.
std::string unforeseeable_run_id();

// Creates a folder that must not exist yet and that only this user can
// enter; false with errno set when it cannot.
bool create_private_folder(const std::string& path);

// Moves from over to, replacing an existing file in one step. Returns an
// empty text on success, else the reason.
std::string replace_file(const std::string& from, const std::string& to);

// True when both names reach the same file: through links, another spelling
// of the path, or (where the file system ignores it) another letter case.
// Names of files that do not exist yet are compared as normalised paths.
bool same_file(const std::string& a, const std::string& b);

long process_id();

// The name under which the conversion library is to write results that wait
// in folder as file_name (both UTF-8). The library takes names through a
// char interface: the ANSI code page on Windows. Where the folder's name has
// no form there, the library gets the file name alone, to be opened while
// current_folder is the process's current folder (CurrentFolder).
struct LibraryPath {
    std::string name;            // for the library's interface
    std::string current_folder;  // empty: the name is whole
};
LibraryPath library_path_of(const std::string& folder, const std::string& file_name);

// Makes a folder the process's current folder for as long as it lives, and
// the earlier one again after; an empty folder changes nothing. Only for the
// moment a library opens or closes its files, with no other thread opening
// a file by a relative name.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder);
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;
    bool ok() const { return ok_; }

private:
    std::filesystem::path earlier_;
    bool changed_ = false, ok_ = true;
};

// The text that an entry point of the loaded Collaborative Stage library
// returns (CStage_get_version, CStage_get_timestamp); blank when no such
// library is loaded. The conversion library keeps only the start of these
// texts; the runner shows them whole.
std::string collaborative_stage_text(const char* entry_point);

// Has the loaded Collaborative Stage library select a schema once, so that
// it builds its tables now (on a thread of the caller's) rather than at the
// first record. Does nothing where no such library is loaded.
void warm_collaborative_stage();

// An output file without a name until it is complete, where the system has
// such files (Linux's O_TMPFILE): a run killed while writing it leaves
// nothing behind. Elsewhere the file is created under its temporary name.
struct PendingOutput {
    std::FILE* file = nullptr;
    bool anonymous = false;
};
PendingOutput create_pending_output(const std::string& folder, const std::string& temporary_name);

// Gives an anonymous output its temporary name (a no-op for a named one), so
// that it can be renamed into place; false when it cannot.
bool name_pending_output(const PendingOutput& output, const std::string& temporary_name);

}  // namespace tarvos

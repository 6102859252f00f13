// SPDX-License-Identifier: Apache-2.0
#include "placement.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <system_error>

#include "file_names.h"
#include "folders.h"
#include "held_files.h"
#include "os_support.h"

#if !defined(_WIN32)
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tarvos {
namespace {

constexpr const char* kJournalHeading = "tarvos placement journal 1";
constexpr const char* kAsideFolder = "earlier";

// A name, whether or not it is a link or a file at all.
bool present(const std::string& name) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(naaccr::os::path_of(name), ec));
}

std::string in_quotes(const std::string& name) { return "\"" + name + "\""; }

// Journal fields are separated by blanks: a path's blanks, line ends and
// percent signs are written as %XX.
std::string encoded(const std::string& path) {
    if (path.empty()) return "-";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '%' || c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string decoded(const std::string& field) {
    if (field == "-") return {};
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const int high = field[i] == '%' && i + 2 < field.size() ? hex_digit(field[i + 1]) : -1;
        const int low = high >= 0 ? hex_digit(field[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string journal_text(const PlacementSet& set) {
    std::string text = std::string(kJournalHeading) + "\n";
    for (const std::string& folder : set.private_folders) text += "folder " + encoded(folder) + "\n";
    for (const SetEntry& e : set.entries)
        text += "entry " + encoded(e.staged) + " " + encoded(e.final_name) + " " + encoded(e.aside) + "\n";
    return text + "end\n";
}

// Whether path lies directly or deeper inside folder.
bool inside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
           (path[folder.size()] == '/' || path[folder.size()] == '\\');
}

// A folder or journal of this user's runs: a real folder or file (no link),
// owned by this user where the system has owners.
bool ours(const std::string& path, bool folder) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(naaccr::os::path_of(path), ec);
    if (ec || (folder ? !fs::is_directory(status) : !fs::is_regular_file(status))) return false;
#if defined(_WIN32)
    return true;
#else
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && st.st_uid == geteuid();
#endif
}

// Reads a journal; false when it is not one this program wrote, whole.
bool read_journal(const std::string& path, PlacementSet& set) {
    if (!ours(path, false)) return false;
    std::istringstream in(naaccr::os::read_whole_file(path).value_or(std::string()));
    std::string line;
    if (!std::getline(in, line) || line != kJournalHeading) return false;
    bool ended = false;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, a, b, c;
        fields >> kind;
        if (kind == "end") {
            ended = true;
            break;
        }
        if (kind == "folder" && fields >> a) {
            const std::string folder = decoded(a);
            if (naaccr::os::text_of(naaccr::os::path_of(folder).filename()).rfind(".tarvos-", 0) != 0) return false;
            set.private_folders.push_back(folder);
        } else if (kind == "entry" && fields >> a >> b >> c) {
            set.entries.push_back({decoded(a), decoded(b), decoded(c)});
        } else {
            return false;
        }
    }
    if (!ended) return false;
    // Every file the journal moves from lies in one of its private folders.
    const auto in_a_folder = [&](const std::string& p) {
        for (const std::string& f : set.private_folders)
            if (inside(p, f)) return true;
        return false;
    };
    for (const SetEntry& e : set.entries)
        if ((!e.staged.empty() && !in_a_folder(e.staged)) || !in_a_folder(e.aside) || e.final_name.empty())
            return false;
    set.journal = path;
    return true;
}

// Moves the earlier file of the final name aside, then the new file in; a
// step already taken is not taken again, so that a completion may repeat it.
std::string move_in(const SetEntry& e) {
    const bool staged_waits = !e.staged.empty() && present(e.staged);
    if (!e.staged.empty() && !staged_waits) return {};  // moved in already
    if (present(e.final_name) && !present(e.aside)) {
        naaccr::os::make_folders(folder_of(e.aside));
        if (std::string why = replace_file(e.final_name, e.aside); !why.empty())
            return "cannot move the earlier " + in_quotes(e.final_name) + " aside: " + why;
    }
    if (!staged_waits) return {};
    if (std::string why = replace_file(e.staged, e.final_name); !why.empty())
        return "cannot put " + in_quotes(e.final_name) + " in place: " + why;
    return {};
}

// Takes back what move_in did: the new file back to its temporary name, the
// earlier one back to its own.
std::string move_back(const SetEntry& e) {
    if (!e.staged.empty() && !present(e.staged) && present(e.final_name))
        if (std::string why = replace_file(e.final_name, e.staged); !why.empty()) return why;
    if (present(e.aside))
        if (std::string why = replace_file(e.aside, e.final_name); !why.empty()) return why;
    return {};
}

std::set<std::string> folders_of_finals(const PlacementSet& set) {
    std::set<std::string> folders;
    for (const SetEntry& e : set.entries) folders.insert(folder_of(e.final_name));
    return folders;
}

std::string flush_folders(const PlacementSet& set) {
    for (const std::string& folder : folders_of_finals(set))
        if (std::string why = flush_folder(folder); !why.empty())
            return "cannot flush the folder " + in_quotes(folder.empty() ? "." : folder) + " to disk: " + why;
    return {};
}

void remove_folders(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        naaccr::os::remove_tree(folder);
    }
}

// Writes the journal under a temporary name in the first private folder,
// flushed, and then under its own name beside the input.
std::string write_journal(const PlacementSet& set, bool sync) {
    const std::string temporary = set.private_folders.front() + "/journal";
    std::FILE* file = create_new_file(temporary);
    if (!file)
        return "cannot write the placement journal " + in_quotes(set.journal) + ": " + naaccr::os::failure_reason(errno);
    const std::string text = journal_text(set);
    int error = 0;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) error = errno;
    if (!(sync ? flush_to_disk(file) : std::fflush(file) == 0) && !error) error = errno;
    if (std::fclose(file) != 0 && !error) error = errno;
    if (error) return "cannot write the placement journal " + in_quotes(set.journal) + ": " + std::strerror(error);
    if (std::string why = replace_file(temporary, set.journal); !why.empty())
        return "cannot write the placement journal " + in_quotes(set.journal) + ": " + why;
    if (sync)
        if (std::string why = flush_folder(folder_of(set.journal)); !why.empty()) {
            naaccr::os::remove_file(set.journal);
            return "cannot flush the placement journal " + in_quotes(set.journal) + " to disk: " + why;
        }
    return {};
}

}  // namespace

PlacementSet placement_set(const RunPlan& plan) {
    PlacementSet set;
    set.private_folders = plan.private_folders;
    set.journal = plan.journal;
    const auto aside_of = [&](const std::string& private_folder, const std::string& final_name) {
        return private_folder + "/" + kAsideFolder + "/" + file_name_of(final_name);
    };
    set.entries.push_back({plan.output_part, plan.output, aside_of(plan.private_folders.back(), plan.output)});
    for (const auto& [part, final_name] : plan.beside_pairs()) {
        if (same_file(final_name, plan.input)) continue;  // the input is never replaced or removed
        // Every result is written by the run but a summary page it was asked
        // not to make: that one takes an earlier run's page away, so that none
        // of an earlier run's results stays beside a new output.
        const bool written = part != plan.beside_part.summary_page || plan.summary_page;
        set.entries.push_back({written ? part : std::string(), final_name, aside_of(plan.private_folders.front(), final_name)});
    }
    return set;
}

namespace {

// The first file the run should have written and did not; empty when all are there.
std::string missing_new_file(const PlacementSet& set) {
    for (const SetEntry& e : set.entries)
        if (!e.staged.empty() && !present(e.staged))
            return in_quotes(e.final_name) + " was not written (no " + in_quotes(e.staged) + ")";
    return {};
}

// The first name of the set that is not there once the set is in place.
std::string missing_final_name(const PlacementSet& set) {
    for (const SetEntry& e : set.entries)
        if (!e.staged.empty() && !present(e.final_name))
            return in_quotes(e.final_name) + " is not there after it was put in place";
    return {};
}

// Takes back the first count moves, last first, and tells why the set is not
// in place.
PlacementOutcome put_back(const PlacementSet& set, std::size_t count, const std::string& why, bool sync) {
    bool restored = true;
    for (std::size_t j = count; j-- > 0;) restored = move_back(set.entries[j]).empty() && restored;
    if (restored && sync) restored = flush_folders(set).empty();
    if (!restored)
        return {why + "; the earlier files could not all be put back, and the next run of the same input "
                      "completes the placement"};
    naaccr::os::remove_file(set.journal);
    return {why};
}

}  // namespace

PlacementOutcome put_in_place(const PlacementSet& set, bool sync) {
    // A set that lacks a file it should hold is never put in place: the
    // run would name a file that is not there.
    if (std::string why = missing_new_file(set); !why.empty()) return {why};
    // Every new file and its folder on disk before the journal says the set
    // is to be placed: a completion after a power cut finds them whole.
    if (sync) {
        for (const SetEntry& e : set.entries)
            if (!e.staged.empty())
                if (std::string why = flush_file(e.staged); !why.empty())
                    return {"cannot flush " + in_quotes(e.final_name) + " to disk: " + why};
        for (const std::string& folder : set.private_folders)
            if (std::string why = flush_folder(folder); !why.empty())
                return {"cannot flush the folder " + in_quotes(folder) + " to disk: " + why};
    }
    if (std::string why = write_journal(set, sync); !why.empty()) return {why};

    for (std::size_t i = 0; i < set.entries.size(); ++i)
        if (std::string why = move_in(set.entries[i]); !why.empty()) return put_back(set, i + 1, why, sync);
    // Each name the run reports is checked once more where it now stands.
    if (std::string why = missing_final_name(set); !why.empty()) return put_back(set, set.entries.size(), why, sync);
    PlacementOutcome placed{{}, true};
    if (sync) placed.failure = flush_folders(set);
    // The set is whole in its place: the journal and what waited aside go.
    if (naaccr::os::remove_file(set.journal)) remove_folders(set.private_folders);
    return placed;
}

void remove_temporary_files(const RunPlan& plan) { remove_folders(plan.private_folders); }

Recovery complete_interrupted_placement(const std::string& journal) {
    Recovery r;
    if (!present(journal)) return r;
    r.found = true;
    PlacementSet set;
    if (!read_journal(journal, set)) {
        r.failure = "the placement journal " + in_quotes(journal) +
                    " was not written whole by a run of this program; look at the files beside it and remove it";
        return r;
    }
    for (const std::string& folder : set.private_folders)
        if (present(folder) && !ours(folder, true)) {
            r.failure = "the placement journal " + in_quotes(journal) + " names the folder " + in_quotes(folder) +
                        ", which is not this user's; look at the files beside it and remove the journal";
            return r;
        }
    for (const SetEntry& e : set.entries) {
        const bool waits = !e.staged.empty() && present(e.staged);
        if (std::string why = move_in(e); !why.empty()) {
            r.failure = why;
            return r;
        }
        if (waits) r.placed.push_back(e.final_name);
    }
    if (std::string why = flush_folders(set); !why.empty()) {
        r.failure = why;
        return r;
    }
    if (!naaccr::os::remove_file(journal)) {
        r.failure = "cannot remove the placement journal " + in_quotes(journal) + ": " + naaccr::os::failure_reason(errno);
        return r;
    }
    remove_folders(set.private_folders);
    return r;
}

std::vector<std::string> folders_named_by_journals(const std::string& folder) {
    std::vector<std::string> named;
    for (const naaccr::os::FolderEntry& entry : naaccr::os::folder_entries(folder)) {
        const std::string& name = entry.name;
        constexpr std::string_view kSuffix = ".tarvos-journal";
        if (name.size() <= kSuffix.size() || name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
            continue;
        PlacementSet set;
        if (read_journal(in_folder(folder, name), set))
            for (const std::string& f : set.private_folders) named.push_back(file_name_of(f));
    }
    return named;
}

}  // namespace tarvos

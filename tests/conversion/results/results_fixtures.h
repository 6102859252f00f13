// SPDX-License-Identifier: Apache-2.0
// Shared pieces of the results store tests: a scratch folder, whole-file
// reading and a typical logged case.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "results_store.h"

namespace vexlin::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        static std::atomic<int> serial{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("results_test_" + std::to_string(stamp) + "_" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The whole file as text, read in text mode as an editor would; empty when missing.
inline std::string read_text(const std::string& name) {
    std::ifstream in(name);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void write_text(const std::string& name, const std::string& text) { std::ofstream(name) << text; }

// The case most tests log: record 7, a hematopoietic conversion of grade 9 to 5.
inline const RowIdentity kCase{7, "00012345", "00", "0000012345", "123456789", "01"};
inline const CodedValues kBefore{"9823", '9', "C421"};
inline const CodedValues kAfter{"9823", '5', "C421"};

}  // namespace vexlin::test

// SPDX-License-Identifier: Apache-2.0
#include "cs_test_files.h"

#include <cstdio>
#include <cstring>

#if defined(CSTEST_HAVE_ZLIB)
#include <zlib.h>
#endif

#include "naaccr_columns.h"

namespace cstest {

std::string record_from_case(const ExpectedCase& c) {
    std::string record(cstage::kRecordLength, ' ');
    const auto items = cstage::input_items();
    for (std::size_t i = 0; i < items.size() && i < c.fields.size(); ++i) {
        const std::string_view v = c.fields[i].substr(0, items[i].width);
        record.replace(items[i].offset, v.size(), v);
    }
    return record;
}

const std::array<std::string_view, 42> kInputKeys = {
    "site", "hist", "year_dx", "cs_input_version_original", "behavior", "grade", "age_dx", "lvi", "size",
    "extension", "extension_eval", "nodes", "nodes_eval", "nodes_pos", "nodes_exam", "mets", "mets_eval",
    "ssf1", "ssf2", "ssf3", "ssf4", "ssf5", "ssf6", "ssf7", "ssf8", "ssf9", "ssf10", "ssf11", "ssf12", "ssf13",
    "ssf14", "ssf15", "ssf16", "ssf17", "ssf18", "ssf19", "ssf20", "ssf21", "ssf22", "ssf23", "ssf24", "ssf25"};

const std::array<std::string_view, 38> kOutputKeys = {
    "ajcc6_t", "ajcc6_tdescriptor", "ajcc6_n", "ajcc6_ndescriptor", "ajcc6_m", "ajcc6_mdescriptor", "ajcc6_stage",
    "ajcc7_t", "ajcc7_tdescriptor", "ajcc7_n", "ajcc7_ndescriptor", "ajcc7_m", "ajcc7_mdescriptor", "ajcc7_stage",
    "t77", "n77", "m77", "ss77", "t2000", "n2000", "m2000", "ss2000",
    "stor_ajcc6_t", "stor_ajcc6_tdescriptor", "stor_ajcc6_n", "stor_ajcc6_ndescriptor", "stor_ajcc6_m",
    "stor_ajcc6_mdescriptor", "stor_ajcc6_stage", "stor_ajcc7_t", "stor_ajcc7_tdescriptor", "stor_ajcc7_n",
    "stor_ajcc7_ndescriptor", "stor_ajcc7_m", "stor_ajcc7_mdescriptor", "stor_ajcc7_stage", "stor_ss77",
    "stor_ss2000"};

std::string data_file(std::string_view name) { return std::string(CSTEST_DATA_DIR) + "/" + std::string(name); }

std::vector<std::string_view> split(std::string_view line, char separator) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = line.find(separator, start);
        out.push_back(line.substr(start, at == line.npos ? line.npos : at - start));
        if (at == line.npos) return out;
        start = at + 1;
    }
}

namespace {

void emit_lines(std::string& pending, const std::function<void(std::string_view)>& fn) {
    std::size_t start = 0;
    while (true) {
        const std::size_t nl = pending.find('\n', start);
        if (nl == std::string::npos) break;
        std::string_view line(pending.data() + start, nl - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        fn(line);
        start = nl + 1;
    }
    pending.erase(0, start);
}

}  // namespace

bool for_each_line(const std::string& path, const std::function<void(std::string_view)>& fn) {
    std::string pending;
    std::vector<char> buffer(1 << 16);
#if defined(CSTEST_HAVE_ZLIB)
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f) return false;
    int n;
    while ((n = gzread(f, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) {
        pending.append(buffer.data(), static_cast<std::size_t>(n));
        emit_lines(pending, fn);
    }
    gzclose(f);
#else
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
        pending.append(buffer.data(), n);
        emit_lines(pending, fn);
    }
    std::fclose(f);
#endif
    if (!pending.empty()) {
        pending += '\n';
        emit_lines(pending, fn);
    }
    return true;
}

}  // namespace cstest

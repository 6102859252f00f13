// SPDX-License-Identifier: Apache-2.0
#include "summary_page.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "options.h"
#include "os_support.h"
#include "summary.h"

namespace tarvos {
namespace {

// The page's text as it is made: kept whole, or sent to its file a block at
// a time, so that the page of a run of millions of records never sits in
// memory whole beside the results it shows.
class PageText {
public:
    PageText() = default;
    explicit PageText(std::FILE* file) : file_(file) { h_.reserve(2 * kBlock); }
    std::string& text() { return h_; }
    // A row is made: what was made goes to the file once it fills a block.
    void row_made() {
        if (file_ && h_.size() >= kBlock) send();
    }
    // The rest to the file; false when a write failed.
    bool finish() {
        if (file_) send();
        return written_;
    }
    std::string take() { return std::move(h_); }

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    void send() {
        written_ = written_ && std::fwrite(h_.data(), 1, h_.size(), file_) == h_.size();
        h_.clear();
    }
    std::FILE* file_ = nullptr;
    std::string h_;
    bool written_ = true;
};

constexpr const char* kStyle = R"(
body{font:15px/1.4 system-ui,sans-serif;margin:1.5em auto;max-width:1100px;padding:0 1em;color:#222}
h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.8em;border-bottom:1px solid #ccc}
table{border-collapse:collapse;margin:.5em 0}td,th{border:1px solid #ccc;padding:2px 8px;text-align:left}
th{background:#eee}td.n,th.n{text-align:right}table.kv th{background:none;font-weight:normal;color:#555}
.totals{display:flex;flex-wrap:wrap;gap:8px}.totals div{border:1px solid #ccc;padding:6px 12px;min-width:9em}
.totals b{display:block;font-size:1.4em}.note{color:#555}pre{white-space:pre-wrap}
.js th.sort{cursor:pointer}.js th.sort:after{content:" \2195";color:#999}
input.filter{margin:.3em 0;padding:3px;width:20em}
)";

// Sorting by a click on a column's heading and a filter box above each
// table of class "sortable"; marks the body when it has run.
constexpr const char* kScript = R"(
(function(){
function key(c){var t=c.textContent.trim();return /^-?[0-9][0-9,]*(\.[0-9]+)?$/.test(t)?[0,parseFloat(t.replace(/,/g,''))]:[1,t.toLowerCase()];}
function cmp(a,b){if(a[0]!==b[0])return a[0]-b[0];return a[1]<b[1]?-1:a[1]>b[1]?1:0;}
var tables=document.querySelectorAll('table.sortable');
for(var i=0;i<tables.length;i++)(function(table){
  var body=table.tBodies[0];if(!body)return;
  var heads=table.tHead?table.tHead.rows[0].cells:[];
  for(var h=0;h<heads.length;h++)(function(col,th){
    th.className+=' sort';var up=true;
    th.addEventListener('click',function(){
      var rows=Array.prototype.slice.call(body.rows);
      rows.sort(function(a,b){var r=cmp(key(a.cells[col]),key(b.cells[col]));return up?r:-r;});
      up=!up;for(var r=0;r<rows.length;r++)body.appendChild(rows[r]);
    });
  })(h,heads[h]);
  var box=document.createElement('input');box.type='search';box.className='filter';
  box.placeholder='Filter these rows';
  box.addEventListener('input',function(){
    var q=box.value.toLowerCase();
    for(var r=0;r<body.rows.length;r++){var row=body.rows[r];
      row.style.display=row.textContent.toLowerCase().indexOf(q)<0?'none':'';}
  });
  table.parentNode.insertBefore(box,table);
})(tables[i]);
document.body.classList.add('js');
})();
)";

void kv(std::string& h, std::string_view key, std::string_view value) {
    h += "<tr><th>";
    h += key;
    h += "</th><td>";
    h += html_escape(value);
    h += "</td></tr>\n";
}

void total(std::string& h, std::string_view what, std::uint64_t n) {
    h += "<div>";
    h += what;
    h += "<b>" + grouped(n) + "</b></div>";
}

void cell(std::string& h, std::string_view value) {
    h += "<td>";
    h += html_escape(value);
    h += "</td>";
}

void number_cell(std::string& h, std::uint64_t n) { h += "<td class=n>" + grouped(n) + "</td>"; }

std::string stage_text(const PageContent& c) {
    if (!c.derived) return "not derived";
    std::string families;
    const std::pair<int, const char*> names[] = {
        {kStageAjcc, "AJCC"}, {kStageSs1977, "SEER Summary Stage 1977"}, {kStageSs2000, "SEER Summary Stage 2000"}};
    for (const auto& [bit, name] : names)
        if (c.stage_options & bit) families += (families.empty() ? "" : ", ") + std::string(name);
    return "derived again for restaged cases, writing " + (families.empty() ? std::string("no family") : families);
}

std::string seconds_text(double s) {
    char text[32];
    std::snprintf(text, sizeof text, s < 10 ? "%.2f seconds" : "%.1f seconds", s);
    return text;
}

// The stage calculation's reasons, grouped by problem, item and schema.
void stage_problems_html(PageText& page, bool derived, const StageProblems& problems) {
    std::string& h = page.text();
    if (!derived) {
        h += "<p class=note>Stage was not derived in this run.</p>\n";
        return;
    }
    if (problems.shown.empty()) {
        h += "<p class=note>No stage problems.</p>\n";
        return;
    }
    h += "<p class=note>The reasons the Collaborative Stage calculation gave for the records it could not stage, "
         "grouped by problem, item and schema; a record counts once under each of its reasons.</p>\n"
         "<table class=sortable id=stage-problems><thead><tr><th>Problem</th><th>Item</th><th>Schema</th>"
         "<th class=n>Records</th><th>As the first record has it</th><th>Records (record number: Patient ID)</th>"
         "</tr></thead><tbody>\n";
    for (const StageProblem& p : problems.shown) {
        h += "<tr>";
        cell(h, p.reason.kind);
        cell(h, p.reason.item);
        cell(h, p.reason.schema.empty() ? "(none)" : p.reason.schema);
        number_cell(h, p.records);
        cell(h, p.example);
        h += "<td>";
        for (std::size_t i = 0; i < p.first.size(); ++i) {
            if (i) h += ", ";
            h += std::to_string(p.first[i].record) + ": " + html_escape(p.first[i].patient_id);
        }
        if (p.records > p.first.size()) h += " and " + grouped(p.records - p.first.size()) + " more";
        h += "</td></tr>\n";
        page.row_made();
    }
    h += "</tbody></table>\n";
    if (problems.reasons > problems.shown.size())
        h += "<p class=note>And " + grouped(problems.reasons - problems.shown.size()) +
             " more reasons of fewer records.</p>\n";
}

}  // namespace

std::string html_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        switch (ch) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                // Control characters would make the page invalid; a record's are shown as blanks.
                out += (static_cast<unsigned char>(ch) < 0x20 && ch != '\n' && ch != '\t') ? ' ' : ch;
        }
    }
    return out;
}

std::string line_end_name(std::string_view end) {
    if (end == "\r\n") return "CR LF";
    if (end == "\n") return "LF";
    if (end == "\r") return "CR";
    return "none";
}

std::string conversions_chart_svg(const std::vector<ConversionsOfType>& by_type) {
    if (by_type.empty()) return "<p class=note>No conversions.</p>\n";
    constexpr int kLabel = 260, kBars = 560, kRow = 22;
    std::uint64_t most = 1;
    for (const ConversionsOfType& t : by_type) most = std::max(most, t.rows);
    const int height = static_cast<int>(by_type.size()) * kRow + 4;
    std::string s = "<svg role=img aria-label=\"Conversions by type\" width=\"" +
                    std::to_string(kLabel + kBars + 90) + "\" height=\"" + std::to_string(height) +
                    "\" font-size=\"13\">\n";
    int y = 2;
    for (const ConversionsOfType& t : by_type) {
        const long width = std::max(1L, static_cast<long>(static_cast<double>(t.rows) / static_cast<double>(most) * kBars));
        const std::string label = html_escape(t.type.empty() ? "(no type)" : t.type);
        s += "<text x=\"" + std::to_string(kLabel - 6) + "\" y=\"" + std::to_string(y + 15) +
             "\" text-anchor=\"end\">" + label + "</text>";
        s += "<rect x=\"" + std::to_string(kLabel) + "\" y=\"" + std::to_string(y + 2) + "\" width=\"" +
             std::to_string(width) + "\" height=\"" + std::to_string(kRow - 6) + "\" fill=\"#4a7ab5\"><title>" + label +
             ": " + grouped(t.rows) + "</title></rect>";
        s += "<text x=\"" + std::to_string(kLabel + width + 6) + "\" y=\"" + std::to_string(y + 15) + "\">" +
             grouped(t.rows) + "</text>\n";
        y += kRow;
    }
    return s + "</svg>\n";
}

namespace {

// 1. The run: its files, records, times and the versions behind it.
void run_html(PageText& page, const PageContent& c) {
    std::string& h = page.text();
    h += "<h2>The run</h2>\n<table class=kv>\n";
    kv(h, "Input", c.input);
    kv(h, "Output", c.output);
    kv(h, "Record type", std::string(1, c.record_type ? c.record_type : '?'));
    kv(h, "Records", grouped(c.records));
    kv(h, "Line ends", c.line_ends);
    kv(h, "Started", c.started);
    kv(h, "Took", seconds_text(c.seconds));
    kv(h, "Runner", "tarvos " + c.runner_version);
    kv(h, "Conversion library", "vexlin150 " + c.library_version);
    kv(h, "Collaborative Stage library", c.cs_version);
    kv(h, "Collaborative Stage tables", c.cs_tables);
    kv(h, "Stage", stage_text(c));
    h += "</table>\n";
}

// 2. The totals, and the records by result.
void totals_html(PageText& page, const PageContent& c) {
    std::string& h = page.text();
    const ResultsData& r = c.results;
    const StreamCounts& n = c.counts;
    h += "<h2>Totals</h2>\n<div class=totals id=totals>";
    total(h, "Records converted", n.written);
    total(h, "Conversions", r.conversions);
    total(h, "Reviewables", r.reviewable_rows);
    total(h, "Messages", r.messages);
    total(h, "Restaged records", n.restaged);
    h += "</div>\n<h3>Records by result</h3>\n<table class=kv>\n";
    const auto count_row = [&h](std::string_view what, std::uint64_t value) {
        h += "<tr><th>";
        h += what;
        h += "</th>";
        number_cell(h, value);
        h += "</tr>\n";
    };
    // At most one kind of schema failure per record: the three add up.
    count_row("Schema failures", n.no_schema_for_site + n.no_schema_for_histology + n.schema_failure);
    count_row("&nbsp;&nbsp;no schema for the site", n.no_schema_for_site);
    count_row("&nbsp;&nbsp;no schema for the histology", n.no_schema_for_histology);
    count_row("&nbsp;&nbsp;other schema failure", n.schema_failure);
    count_row("Stage errors", n.calculation_error);
    count_row("Cleaned of control characters or bytes outside ASCII", n.cleaned);
    count_row("Padded with blanks", n.padded);
    count_row("Records to look at", n.noted);
    h += "</table>\n";
    if (!r.error.empty())
        h += "<p class=note>The results database could not be read whole: " + html_escape(r.error) + ".</p>\n";
}

// 3. The conversions by type, and the code changes behind them.
void conversions_html(PageText& page, const ResultsData& r) {
    std::string& h = page.text();
    h += "<h2>Conversions by type</h2>\n";
    h += conversions_chart_svg(r.by_type);
    h += "<h3>Code changes</h3>\n";
    if (r.changes.empty()) {
        h += "<p class=note>No codes changed.</p>\n";
        return;
    }
    h += "<table class=sortable id=changes><thead><tr><th>Conversion type</th><th>Item</th><th>From</th><th>To</th>"
         "<th class=n>Records</th></tr></thead><tbody>\n";
    for (const CodeChange& ch : r.changes) {
        h += "<tr>";
        for (const std::string* t : {&ch.type, &ch.item, &ch.from, &ch.to}) cell(h, *t);
        number_cell(h, ch.records);
        h += "</tr>\n";
        page.row_made();
    }
    h += "</tbody></table>\n";
    if (r.change_groups > r.changes.size())
        h += "<p class=note>And " + grouped(r.change_groups - r.changes.size()) + " more changes of fewer records.</p>\n";
}

// 4. The reviewables, the first of them when there are many.
void reviewables_html(PageText& page, const ResultsData& r) {
    std::string& h = page.text();
    h += "<h2>Reviewables</h2>\n";
    if (r.reviewables.empty()) {
        h += "<p class=note>No reviewables.</p>\n";
        return;
    }
    h += "<table class=sortable id=reviewables><thead><tr><th class=n>Record</th><th>Patient ID</th>"
         "<th>Sequence (central)</th><th>Reporting facility</th><th>Accession (hospital)</th>"
         "<th>Sequence (hospital)</th><th>v14 histology</th><th>v14 grade</th><th>v14 site</th>"
         "<th>v15 histology</th><th>v15 grade</th><th>v15 site</th></tr></thead><tbody>\n";
    for (const ReviewableRow& v : r.reviewables) {
        h += "<tr><td class=n>" + std::to_string(v.record) + "</td>";
        for (const std::string* t : {&v.patient_id, &v.seq_num_central, &v.reporting_facility, &v.acc_num_hospital,
                                     &v.seq_num_hospital, &v.v14_histology, &v.v14_grade, &v.v14_site,
                                     &v.v15_histology, &v.v15_grade, &v.v15_site})
            cell(h, *t);
        h += "</tr>\n";
        page.row_made();
    }
    h += "</tbody></table>\n";
    if (r.reviewable_rows > r.reviewables.size())
        h += "<p class=note>The first " + grouped(r.reviewables.size()) + " of " + grouped(r.reviewable_rows) +
             " reviewables, by record; the reviewables report (.rev) beside the input lists them all.</p>\n";
}

// 6. The messages grouped by their text, with their first records.
void messages_html(PageText& page, const ResultsData& r) {
    std::string& h = page.text();
    h += "<h2>Messages</h2>\n";
    if (r.message_groups.empty()) {
        h += "<p class=note>No messages.</p>\n";
        return;
    }
    h += "<table class=sortable id=messages><thead><tr><th>Message</th><th class=n>Count</th>"
         "<th>Records (record number: Patient ID)</th></tr></thead><tbody>\n";
    for (const MessageGroup& g : r.message_groups) {
        h += "<tr>";
        cell(h, g.text);
        number_cell(h, g.count);
        h += "<td>";
        for (std::size_t i = 0; i < g.records.size(); ++i) {
            if (i) h += ", ";
            h += std::to_string(g.records[i].record) + ": " + html_escape(g.records[i].patient_id);
        }
        if (g.count > g.records.size()) h += " and " + grouped(g.count - g.records.size()) + " more";
        h += "</td></tr>\n";
        page.row_made();
    }
    h += "</tbody></table>\n";
    if (r.message_texts > r.message_groups.size())
        h += "<p class=note>And " + grouped(r.message_texts - r.message_groups.size()) +
             " more message texts of fewer records.</p>\n";
}

// 7. The records that need attention: the run log's first lines.
void attention_html(PageText& page, const PageContent& c) {
    std::string& h = page.text();
    h += "<h2>Records that need attention</h2>\n";
    if (c.notes.empty()) {
        h += "<p class=note>None.</p>\n";
        return;
    }
    h += "<table class=sortable id=attention><thead><tr><th>Line, Patient ID and what happened</th></tr></thead>"
         "<tbody>\n";
    for (const std::string& note : c.notes) {
        std::string_view line = note;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        h += "<tr>";
        cell(h, line);
        h += "</tr>\n";
        page.row_made();
    }
    h += "</tbody></table>\n";
    if (c.notes_total > c.notes.size())
        h += "<p class=note>And " + grouped(c.notes_total - c.notes.size()) + " more in the run log.</p>\n";
}

// The page from its head to its end, in the order it reads.
void page_html(PageText& page, const PageContent& c) {
    std::string& h = page.text();
    h += "<!DOCTYPE html>\n<html lang=en><head><meta charset=\"utf-8\">\n<title>Conversion of ";
    h += html_escape(c.input);
    h += "</title>\n<style>";
    h += kStyle;
    h += "</style></head>\n<body>\n<h1>Conversion to NAACCR 15.0</h1>\n";
    run_html(page, c);
    totals_html(page, c);
    conversions_html(page, c.results);
    reviewables_html(page, c.results);
    h += "<h2>Stage problems</h2>\n";
    stage_problems_html(page, c.derived, c.results.stage_problems);
    messages_html(page, c.results);
    attention_html(page, c);
    h += "<script>";
    h += kScript;
    h += "</script>\n</body></html>\n";
}

}  // namespace

std::string summary_page_html(const PageContent& c) {
    PageText page;
    page_html(page, c);
    return page.take();
}

std::string write_summary_page(const std::string& path, const PageContent& content) {
    std::FILE* f = create_new_file(path);
    if (!f) return "cannot write the summary page \"" + path + "\": " + std::strerror(errno);
    PageText page(f);
    page_html(page, content);
    const bool written = page.finish();
    if (std::fclose(f) != 0 || !written) return "cannot write the summary page \"" + path + "\": " + std::strerror(errno);
    return {};
}

}  // namespace tarvos

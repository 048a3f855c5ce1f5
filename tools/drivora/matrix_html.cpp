// The matrix as one HTML page that needs nothing but itself.
#include <string_view>

#include "tools/drivora/matrix.h"

namespace drivora::tool {
namespace {

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;font-size:14px;margin:16px;color:#222;background:#fff}"
    "h1{font-size:20px;margin:0 0 4px}p{margin:4px 0}"
    "table{border-collapse:collapse;margin-top:12px}"
    "th,td{border:1px solid #bbb;padding:3px 6px}"
    "thead th{background:#e8ecf2;white-space:nowrap}th.entry{text-align:left;font-weight:normal;white-space:nowrap}"
    "td{text-align:center;min-width:24px}td.first,th.first{border-left:3px solid #555}"
    "td.all{background:#cfe8cf}td.some{background:#ffd27a;font-weight:bold}td.none{color:#bbb}"
    "tr.differs th.entry{background:#fff1c9;font-weight:bold}"
    ".legend span{display:inline-block;padding:2px 8px;margin-right:8px;border:1px solid #bbb}";

// Whether the boards disagree on the row under Windows `w`.
bool Differs(const Matrix& m, const std::string& row, std::size_t w) {
  const bool first = m.Find(m.Column(0, w), row) != nullptr;
  for (std::size_t b = 1; b < m.boards.size(); ++b)
    if ((m.Find(m.Column(b, w), row) != nullptr) != first) return true;
  return false;
}

void WriteHeader(const Matrix& m, std::ostream& out) {
  out << "<thead><tr><th rowspan=\"2\">entry</th>";
  for (const std::string& board : m.boards)
    out << "<th class=\"first\" colspan=\"" << m.windows.size() << "\">" << Escaped(board) << "</th>";
  out << "</tr>\n<tr>";
  for (std::size_t b = 0; b < m.boards.size(); ++b)
    for (std::size_t w = 0; w < m.windows.size(); ++w)
      out << "<th" << (w == 0 ? " class=\"first\"" : "") << ">" << Escaped(m.windows[w]) << "</th>";
  out << "</tr></thead>\n";
}

void WriteRow(const Matrix& m, const std::string& row, std::ostream& out) {
  bool differs = false;
  for (std::size_t w = 0; w < m.windows.size(); ++w) differs = differs || Differs(m, row, w);
  out << "<tr" << (differs ? " class=\"differs\"" : "") << "><th class=\"entry\">" << Escaped(row) << "</th>";
  for (std::size_t b = 0; b < m.boards.size(); ++b)
    for (std::size_t w = 0; w < m.windows.size(); ++w) {
      const InstallEntry* entry = m.Find(m.Column(b, w), row);
      std::string classes = entry ? (Differs(m, row, w) ? "some" : "all") : "none";
      if (w == 0) classes += " first";
      out << "<td class=\"" << classes << "\"";
      if (entry) out << " title=\"" << Escaped(entry->key + " = " + entry->value) << "\"";
      out << ">" << (entry ? "&#10004;" : "&middot;") << "</td>";
    }
  out << "</tr>\n";
}

}  // namespace

void WriteMatrixHtml(const Matrix& m, std::ostream& out) {
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
      << "<title>Drivora matrix: " << Escaped(m.iniPath) << "</title>\n<style>" << kStyle << "</style></head>\n<body>\n"
      << "<h1>What the wizard offers on each board</h1>\n"
      << "<p>Configuration: <code>" << Escaped(m.iniPath) << "</code>, " << m.boards.size() << " boards, "
      << m.windows.size() << " Windows versions, " << m.rows.size() << " entries.</p>\n"
      << "<p class=\"legend\"><span style=\"background:#cfe8cf\">&#10004; every board</span>"
      << "<span style=\"background:#ffd27a;font-weight:bold\">&#10004; only some boards</span>"
      << "<span style=\"color:#bbb\">&middot; not offered</span>"
      << "<span style=\"background:#fff1c9;font-weight:bold\">entry that differs between boards</span></p>\n"
      << "<table>\n";
  WriteHeader(m, out);
  out << "<tbody>\n";
  for (const std::string& row : m.rows) WriteRow(m, row, out);
  out << "</tbody></table>\n</body></html>\n";
}

}  // namespace drivora::tool

#include "tools/drivora/lint_findings.h"

#include <algorithm>

namespace drivora::tool {
namespace {

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
  }
  return "note";
}

}  // namespace

bool Findings::HasError() const {
  return std::any_of(findings_.begin(), findings_.end(), [](const Finding& f) { return f.severity == Severity::Error; });
}

void Findings::Print(const std::string& file, std::ostream& out) const {
  std::vector<Finding> sorted = findings_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
  for (const Finding& f : sorted) out << file << ':' << f.line << ": " << SeverityName(f.severity) << ": " << f.message << "\n";
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace drivora::tool

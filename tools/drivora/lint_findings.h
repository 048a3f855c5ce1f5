// What lint found, each finding tied to the line of Setup.ini it is about.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace drivora::tool {

enum class Severity { Error, Warning, Note };

struct Finding {
  int line = 0;
  Severity severity = Severity::Note;
  std::string message;
};

class Findings {
 public:
  void Error(int line, std::string message) { Add(line, Severity::Error, std::move(message)); }
  void Warning(int line, std::string message) { Add(line, Severity::Warning, std::move(message)); }
  void Note(int line, std::string message) { Add(line, Severity::Note, std::move(message)); }
  bool HasError() const;
  // FILE:LINE: severity: message, by line; findings on one line keep their order.
  void Print(const std::string& file, std::ostream& out) const;

 private:
  void Add(int line, Severity severity, std::string message) {
    findings_.push_back({line, severity, std::move(message)});
  }
  std::vector<Finding> findings_;
};

// 'text' in quotes, for messages.
std::string Quoted(const std::string& text);

}  // namespace drivora::tool

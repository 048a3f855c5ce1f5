// The portable INI reader against the platform's own private-profile functions:
// every corpus file is read both ways with the same calls and buffer sizes.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/byte_strings.h"
#include "app/ini_file.h"

namespace {

namespace fs = std::filesystem;

fs::path CorpusFolder() { return fs::path(DRIVORA_SOURCE_DIR) / "tests" / "ini_corpus"; }

std::string WindowsPath(const fs::path& path) {
  std::string text = "Z:" + path.generic_string();
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// Names worth asking for: whatever looks like a section or a key in the file,
// in other letter cases and with blanks around, plus names that are not there.
struct Queries {
  std::vector<std::string> sections, keys;
};

void AddVariants(std::set<std::string>& out, const std::string& name) {
  out.insert(name);
  out.insert(drivora::ToUpperAscii(name));
  std::string lower = name;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  out.insert(lower);
  out.insert(" " + name + "\t");
}

Queries QueriesFor(const std::string& contents) {
  std::set<std::string> sections{"Missing", ""}, keys{"missing"};
  for (std::string_view raw : drivora::SplitAt(contents, '\n')) {
    const std::string line = Trimmed(raw);
    if (line.empty()) continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      AddVariants(sections, line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else {
      AddVariants(keys, Trimmed(std::string_view(line).substr(0, line.find('='))));
    }
  }
  Queries q;
  q.sections.assign(sections.begin(), sections.end());
  q.keys.assign(keys.begin(), keys.end());
  if (q.sections.size() > 48) q.sections.resize(48);
  if (q.keys.size() > 64) q.keys.resize(64);
  return q;
}

std::string Escaped(const char* data, std::size_t size) {
  std::ostringstream out;
  for (std::size_t i = 0; i < size; ++i) {
    const auto c = static_cast<unsigned char>(data[i]);
    if (c >= 0x20 && c < 0x7f && c != '\\') out << c;
    else out << "\\x" << std::hex << static_cast<int>(c) << std::dec;
  }
  return out.str();
}

// What a caller may rely on: the count and the bytes up to the terminating
// zero (and the final zero of a cut section).
std::string Observed(const std::vector<char>& buffer, DWORD count, bool section) {
  std::size_t upTo = std::min<std::size_t>(count + 1, buffer.size());
  std::string text = std::to_string(count) + ":" + Escaped(buffer.data(), upTo);
  if (section && buffer.size() >= 2 && count == buffer.size() - 2) text += "|" + Escaped(&buffer.back(), 1);
  return text;
}

class IniDifferential : public ::testing::TestWithParam<std::string> {};

TEST_P(IniDifferential, SectionsAndValuesMatchThePlatform) {
  const fs::path file = CorpusFolder() / GetParam();
  const std::string contents = ReadBytes(file);
  const std::string path = WindowsPath(file);
  const auto document = drivora::IniDocument::Parse(contents);
  const Queries queries = QueriesFor(contents);
  int mismatches = 0;
  const auto check = [&](const std::string& what, const std::string& platform, const std::string& portable) {
    if (platform == portable || ++mismatches > 12) return;
    ADD_FAILURE() << GetParam() << ": " << what << "\n  platform: " << platform << "\n  portable: " << portable;
  };

  for (const std::string& section : queries.sections) {
    for (DWORD size : {32766u, 200u, 33u, 8u, 3u}) {
      std::vector<char> platform(size, '\xCC'), portable(size, '\xCC');
      const DWORD expected = GetPrivateProfileSectionA(section.c_str(), platform.data(), size, path.c_str());
      const DWORD actual = document.GetSection(section, portable);
      check("section [" + section + "] size " + std::to_string(size), Observed(platform, expected, true),
            Observed(portable, actual, true));
    }
    for (const std::string& key : queries.keys) {
      for (DWORD size : {256u, 17u, 6u, 2u}) {
        std::vector<char> platform(size, '\xCC'), portable(size, '\xCC');
        const DWORD expected =
            GetPrivateProfileStringA(section.c_str(), key.c_str(), "", platform.data(), size, path.c_str());
        const DWORD actual = document.GetString(section, key, "", portable);
        check("[" + section + "] " + key + " size " + std::to_string(size), Observed(platform, expected, false),
              Observed(portable, actual, false));
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << "calls that disagree in " << GetParam();
}

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(CorpusFolder()))
    if (entry.path().extension() == ".ini") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param.substr(0, info.param.find('.'));
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, IniDifferential, ::testing::ValuesIn(CorpusFiles()), TestName);

TEST(IniDifferentialCorpus, HoldsAtLeastTwentyFiveFiles) { EXPECT_GE(CorpusFiles().size(), 25u); }

}  // namespace

// A bounded random property test of the portable INI reader: a fixed-seed
// generator builds a few thousand byte strings from INI-ish fragments. Whatever
// the bytes, parsing must succeed, and the readers must stay inside the
// caller's buffer and leave there what a caller of the platform's functions
// relies on. Runs under the sanitizers in the host-asan build; the guard bytes
// around each buffer catch stray writes in the plain build too.
#include "app/ini_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace drivora {
namespace {

constexpr int kDocuments = 2000;
constexpr std::size_t kGuardBytes = 16;
constexpr char kFill = '\xCC';
constexpr std::uint32_t kLargeBuffer = 32766;

class DocumentGenerator {
 public:
  std::string Next() {
    static constexpr std::array<std::string_view, 30> kFragments{
        "[", "]", "=", ";", "\r", "\n", "\r\n", std::string_view("\0", 1), " ", "\t", "\x1a", "'", "\"",
        "a", "B", "key", "Sec", "sec", "WinVer", "LANG.1033", ".", "\xEF\xBB\xBF", "\xE4\xB8\xAD", "\xFF",
        "[Sec]\n", "k=v\n", "='x'\n", "\"quoted\"", " [ Sec ] ", "key = value \r\n"};
    std::string text;
    const unsigned count = Below(80);
    for (unsigned i = 0; i < count; ++i) {
      if (Below(12) == 0) {
        text.append(1 + Below(300), "abc=[ ;"[Below(7)]);  // a long run of one byte
      } else {
        text += kFragments[Below(kFragments.size())];
      }
    }
    return text;
  }

  unsigned Below(std::size_t n) { return static_cast<unsigned>(engine_() % n); }

 private:
  std::mt19937 engine_{20240607};  // fixed: every run sees the same documents
};

// A buffer of `size` bytes with guard bytes on both sides, reused from call
// to call (allocating 32 KiB per call would dominate the run).
class GuardedBuffer {
 public:
  explicit GuardedBuffer(std::size_t size) : bytes_(size + 2 * kGuardBytes), size_(size) {}
  std::span<char> Fresh() {
    std::memset(bytes_.data(), kFill, bytes_.size());
    return {bytes_.data() + kGuardBytes, size_};
  }
  const char* Data() const { return bytes_.data() + kGuardBytes; }
  std::size_t Size() const { return size_; }
  bool GuardsIntact() const {
    static const std::array<char, kGuardBytes> kGuard = [] {
      std::array<char, kGuardBytes> guard;
      guard.fill(kFill);
      return guard;
    }();
    return std::memcmp(bytes_.data(), kGuard.data(), kGuardBytes) == 0 &&
           std::memcmp(bytes_.data() + kGuardBytes + size_, kGuard.data(), kGuardBytes) == 0;
  }

 private:
  std::vector<char> bytes_;
  std::size_t size_;
};

// One buffer of every size tried: 0 to 40 bytes, and the 32766 bytes the
// program reads whole sections into.
std::vector<GuardedBuffer>& Buffers() {
  static std::vector<GuardedBuffer> buffers = [] {
    std::vector<GuardedBuffer> all;
    for (std::size_t size = 0; size <= 40; ++size) all.emplace_back(size);
    all.emplace_back(kLargeBuffer);
    return all;
  }();
  return buffers;
}

// Walks the list a caller walks: zero-ended lines up to an empty one. Fails
// the test when a line runs to the end of the buffer without its zero.
struct LineList {
  std::vector<std::string> lines;
  std::size_t end = 0;  // index of the zero that ends the list
};

LineList WalkLines(const char* data, std::size_t size) {
  LineList list;
  std::size_t at = 0;
  while (at < size) {
    const void* zero = std::memchr(data + at, '\0', size - at);
    if (!zero) break;
    const std::size_t length = static_cast<const char*>(zero) - (data + at);
    if (length == 0) {
      list.end = at;
      return list;
    }
    list.lines.emplace_back(data + at, length);
    at += length + 1;
  }
  ADD_FAILURE() << "the list of lines has no end inside the buffer";
  list.end = size;
  return list;
}

void CheckSection(const IniDocument& doc, const std::string& name) {
  GuardedBuffer& large = Buffers().back();
  const std::uint32_t largeCount = doc.GetSection(name, large.Fresh());
  ASSERT_LT(largeCount, kLargeBuffer - 2u) << "test documents are meant to fit";
  const LineList all = WalkLines(large.Data(), kLargeBuffer);

  for (GuardedBuffer& buffer : Buffers()) {
    const std::size_t size = buffer.Size();
    const auto where = [&] { return ::testing::Message() << "section \"" << name << "\", buffer of " << size; };
    const std::uint32_t count = doc.GetSection(name, buffer.Fresh());
    ASSERT_TRUE(buffer.GuardsIntact()) << where();
    if (size == 0) {
      EXPECT_EQ(count, 0u) << where();
      continue;
    }
    // Room for the two zeros that end the list, even when the section was cut.
    ASSERT_LE(count, size < 2 ? 0 : size - 2) << where();
    ASSERT_EQ(buffer.Data()[count], '\0') << where();
    const LineList seen = WalkLines(buffer.Data(), size);
    // The list ends at the count, or one further when the last line was cut.
    EXPECT_TRUE(seen.end == count || (count == size - 2 && seen.end == count + 1)) << where() << ": end " << seen.end;
    // A smaller buffer shows the same lines, the last one possibly cut...
    ASSERT_LE(seen.lines.size(), all.lines.size()) << where();
    for (std::size_t i = 0; i < seen.lines.size(); ++i) {
      const bool last = i + 1 == seen.lines.size();
      EXPECT_TRUE(last ? all.lines[i].starts_with(seen.lines[i]) : all.lines[i] == seen.lines[i])
          << where() << ": line " << i << " " << seen.lines[i];
    }
    // ...and all of them whenever it does not say it was too small.
    if (size >= 3 && count < size - 2) {
      EXPECT_EQ(seen.lines, all.lines) << where();
    }
  }
}

void CheckString(const IniDocument& doc, const std::string& section, const std::string& key) {
  GuardedBuffer& large = Buffers().back();
  const std::uint32_t fullCount = doc.GetString(section, key, "", large.Fresh());
  const std::string full(large.Data(), fullCount);

  for (GuardedBuffer& buffer : Buffers()) {
    const std::size_t size = buffer.Size();
    const auto where = [&] {
      return ::testing::Message() << "[" << section << "] \"" << key << "\", buffer of " << size;
    };
    const std::uint32_t count = doc.GetString(section, key, "", buffer.Fresh());
    ASSERT_TRUE(buffer.GuardsIntact()) << where();
    if (size == 0) {
      EXPECT_EQ(count, 0u) << where();
      continue;
    }
    ASSERT_LT(count, size) << where();
    ASSERT_EQ(std::strlen(buffer.Data()), count) << where();
    EXPECT_TRUE(full.starts_with(std::string_view(buffer.Data(), count))) << where();
  }
}

TEST(IniDocumentProperty, ReadersStayInsideTheirBuffers) {
  DocumentGenerator generator;
  for (int i = 0; i < kDocuments; ++i) {
    const std::string document = generator.Next();
    const IniDocument doc = IniDocument::Parse(document);

    std::vector<std::string> sections{"", "Sec", " sec\t", "missing"};
    for (const auto& section : doc.Sections())
      if (generator.Below(3) == 0) sections.push_back(section.name);
    std::vector<std::string> keys{"", "key", " KEY "};
    for (const auto& section : doc.Sections())
      for (const auto& key : section.keys)
        if (generator.Below(8) == 0) keys.push_back(key.name);

    for (const std::string& section : sections) CheckSection(doc, section);
    // Each key in one of the sections, to keep the run short.
    for (const std::string& key : keys) CheckString(doc, sections[generator.Below(sections.size())], key);
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "document " << i << ": " << ::testing::PrintToString(document);
      return;
    }
  }
}

// Values in quotes are where the reader steps back over what it wrote; every
// buffer size around the value's length must still end inside the buffer.
TEST(IniDocumentProperty, QuotedValuesAtEveryBufferSize) {
  const std::string document = "[S]\nq1='abc'\nq2=\"abc\"\nq3=''\nq4='\nq5=\"'\nq6='a'b'\n";
  const IniDocument doc = IniDocument::Parse(document);
  for (const char* key : {"q1", "q2", "q3", "q4", "q5", "q6"}) CheckString(doc, "S", key);
}

TEST(IniConfigFile, LoadReadsTheFileAsParseDoes) {
  const auto folder = std::filesystem::temp_directory_path() / ("drivora-host-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const auto path = folder / "SETUP.INI";
  const std::string contents = "[WinVer]\r\nXP.2.5.1.0.1=WINXP\r\n[LANG.1033]\r\nInstall=Hello\x1a";
  std::ofstream(path, std::ios::binary) << contents;

  const auto loaded = IniConfigFile::Load(path.string());
  ASSERT_TRUE(loaded);
  const IniConfigFile parsed(IniDocument::Parse(contents));
  EXPECT_EQ(loaded->ReadSection("WinVer", 256), parsed.ReadSection("WinVer", 256));
  EXPECT_EQ(loaded->ReadString("LANG.1033", "Install", 256), "Hello");
  EXPECT_FALSE(IniConfigFile::Load((folder / "MISSING.INI").string()));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace drivora

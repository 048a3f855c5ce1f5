#include "app/winver.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/host/test_app.h"

namespace drivora {
namespace {

using test::TestApp;

TEST(ComputeProductVariant, Table) {
  const struct {
    const char* windows;
    std::int32_t variant;
  } cases[] = {
      {"xp", 1},
      {"2.5.0.2195:server", 2},
      {"2.5.0.2195:dc", 0},
      {"nt4", 0},  // no extended version record
      {"98", 0},
      // 5.2 server: the WOW64 question tells 2003 from 2003 x64.
      {"2003", 2},
      {"2003-x64", 3},
      {"xp-x64", 1},  // a 5.2 workstation stays 1
      {"2.5.2.3790:dc:wow64", 0},
      {"2.5.2.3790:none:wow64", 0},
      {"2.5.1.2600:server:wow64", 2},  // only 5.2 asks
      // Version 6: only 32-bit or 64-bit counts, whatever the product type.
      {"7", 1},
      {"7-x64", 2},
      {"2.6.0.6002:dc", 1},
      {"2.6.1.7601:server:wow64", 2},
      {"2.6.1.7601:none", 1},
      {"1.6.2.9200", 1},
      // A later major version keeps to the product type.
      {"2.10.0.19041:workstation:wow64", 1},
      {"2.10.0.19041:dc", 0},
  };
  for (const auto& c : cases) {
    TestApp t("", c.windows);
    EXPECT_EQ(ComputeProductVariant(t.app), c.variant) << c.windows;
  }
}

// The extended version query answers with a result other than 1.
class OddResultOs final : public OsFacts {
 public:
  explicit OddResultOs(int result) : result_(result) {}
  bool GetVersion(OsVersionInfo&) const override { return false; }
  int GetProductType(std::uint8_t& productType) const override {
    productType = kProductWorkstation;
    return result_;
  }
  bool IsWow64() const override { return false; }
  std::uint16_t DefaultLanguageId() const override { return kLanguageEnglish; }
  std::optional<std::string> SystemErrorText(std::uint32_t) const override { return std::nullopt; }
  std::string WindowsFolder() const override { return {}; }

 private:
  int result_;
};

TEST(ComputeProductVariant, ProductTypeCountsOnlyWhenTheQueryAnswersOne) {
  TestApp t("", "xp");
  for (int result : {0, 2, -1}) {
    OddResultOs os(result);
    t.app.Sys.Os = &os;
    EXPECT_EQ(ComputeProductVariant(t.app), 0) << result;
  }
  OddResultOs one(1);
  t.app.Sys.Os = &one;
  EXPECT_EQ(ComputeProductVariant(t.app), 1);
}

TEST(CompareWinVer, FieldsInOrder) {
  // Windows 7, build 7601, workstation: variant 1.
  const struct {
    const char* fields;
    std::int32_t order;
  } cases[] = {
      {"2.6.1.7601.1", 0},
      {"2.6.1.7600.1", 1},
      {"2.6.1.7602.1", -1},
      {"2.6.1.5.1", 0},  // a build of 0 to 9 matches any build
      {"2.6.1.9.1", 0},
      {"2.6.1.10.1", 7591},
      {"2.6.1.0.0", 1},
      {"2.6.1.0.2", -1},
      {"2.6.0.9999.9", 1},  // minor decides before build and variant
      {"2.7", -1},
      {"3", -1},
      {"1.9.9.9999.9", 1},
      {"2.6", 1},  // missing numbers are 0
      {"", 2},
      {"2.6.1.0.1.junk.99", 0},
      {" 2. +6.1.0.1", 0},
      {"2x.6y.1z.0 .1th", 0},
      {"2.-1", 7},
      {"2.6.1.-5.1", 7606},  // negative builds are compared, not taken as 0 to 9
  };
  TestApp t("", "7");
  for (const auto& c : cases) EXPECT_EQ(CompareWinVer(t.app, c.fields), c.order) << '"' << c.fields << '"';
}

TEST(CompareWinVer, NumbersAtTheEndsOfTheRangeOrderWithoutOverflow) {
  // Windows 7, build 7601, workstation: variant 1. Each difference would
  // overflow 32 bits; it keeps its sign instead.
  const struct {
    const char* fields;
    std::int32_t order;
  } cases[] = {
      {"2.6.1.7601.-2147483648", INT32_MAX},
      {"2.6.1.7601.2147483647", 1 - 2147483647},
      {"-2147483648", INT32_MAX},
      {"2.-2147483648", INT32_MAX},
      {"2.6.-2147483648", INT32_MAX},
      {"2.6.1.-2147483648", INT32_MAX},
      {"2.6.1.7601.-2147483647", INT32_MAX},
      {"2.6.1.7601.-2147483646", INT32_MAX},
      {"2.6.1.7601.-2147483645", 2147483646},
  };
  TestApp t("", "7");
  for (const auto& c : cases) EXPECT_EQ(CompareWinVer(t.app, c.fields), c.order) << '"' << c.fields << '"';
  // Such a rule is older than Windows 7, so the scan goes past it.
  TestApp rules("[WinVer]\nA.2.5.1.0.0=XP\nB.2.6.1.7601.-2147483648=LOW\n", "7");
  EXPECT_EQ(SelectWinVerKey(rules.app), "B.2.6.1.7601.-2147483648");
}

TEST(CompareWinVer, BuildIsItsLowWord) {
  TestApp t("", "1.4.10.67766222");  // 0x040A07CE: 4.10.1998 as the 9x platform reports it
  EXPECT_EQ(CompareWinVer(t.app, "1.4.10.1998.0"), 0);
  EXPECT_EQ(CompareWinVer(t.app, "1.4.10.1997.0"), 1);
}

TEST(CompareWinVer, SmallRuleBuildsMatchBuildsBelow32768) {
  TestApp high("", "2.6.1.40000:workstation");
  EXPECT_EQ(CompareWinVer(high.app, "2.6.1.0.1"), 0);
  EXPECT_EQ(CompareWinVer(high.app, "2.6.1.8.1"), 0);
  EXPECT_EQ(CompareWinVer(high.app, "2.6.1.9.1"), 1);

  TestApp low("", "2.6.1.32767:workstation");
  EXPECT_EQ(CompareWinVer(low.app, "2.6.1.9.1"), 0);
}

constexpr char kFiveRules[] =
    "[WinVer]\n"
    "A.1.4.10.0.0=P98\n"
    "B.2.5.0.0.0=P2000\n"
    "C.2.5.1.0.0=PXP\n"
    "D.2.6.1.0.1=P7\n"
    "D.2.6.1.0.2=P7X64\n";

TEST(SelectWinVerKey, FiveRules) {
  const struct {
    const char* windows;
    const char* key;
    const char* profile;
  } cases[] = {
      {"7-x64", "D.2.6.1.0.2", "P7X64"},  // exact match
      {"8", "D.2.6.1.0.2", "P7X64"},      // newer than every rule: the last
      {"95", "A.1.4.10.0.0", "P98"},      // older than every rule: the first
      {"98", "A.1.4.10.0.0", "P98"},      // exact match on the first
      {"xp", "C.2.5.1.0.0", "PXP"},       // the fourth rule is newer
      {"2000", "B.2.5.0.0.0", "P2000"},
      {"7", "D.2.6.1.0.1", "P7"},
      {"vista", "C.2.5.1.0.0", "PXP"},
  };
  for (const auto& c : cases) {
    TestApp t(kFiveRules, c.windows);
    EXPECT_EQ(SelectWinVerKey(t.app), c.key) << c.windows;
    EXPECT_EQ(ReadOsProfile(t.app), c.profile) << c.windows;
  }
}

TEST(SelectWinVerKey, KeyWithoutDotIsTakenWhenReached) {
  constexpr char ini[] =
      "[WinVer]\n"
      "A.2.5.1.0.0=XP\n"
      "Fallback=ANY\n"
      "Z.2.9.0.0.0=FUTURE\n";
  TestApp xp(ini, "xp");
  EXPECT_EQ(ReadOsProfile(xp.app), "ANY");
  TestApp w2000(ini, "2000");  // stops at the first rule
  EXPECT_EQ(ReadOsProfile(w2000.app), "XP");
}

TEST(SelectWinVerKey, ExactMatchEndsTheScan) {
  constexpr char ini[] =
      "[WinVer]\n"
      "A.2.5.1.0.1=XP\n"
      "B.2.5.0.0.0=OLDER\n"
      "Fallback=ANY\n";
  TestApp t(ini, "xp");
  EXPECT_EQ(ReadOsProfile(t.app), "XP");
}

TEST(SelectWinVerKey, SameKeyTwiceReadsTheFirstValue) {
  constexpr char ini[] =
      "[WinVer]\n"
      "X.2.5.1.0.1=FIRST\n"
      "x.2.5.1.0.1=SECOND\n"
      "X.2.5.1.0.1=THIRD\n";
  for (const char* windows : {"xp", "7"}) {
    TestApp t(ini, windows);
    EXPECT_EQ(ReadOsProfile(t.app), "FIRST") << windows;
  }
}

TEST(SelectWinVerKey, CommentsAndLinesWithoutEqualsAreNotRules) {
  constexpr char ini[] =
      "[WinVer]\n"
      ";A.2.5.1.0.1=COMMENT\n"
      "B.2.5.1.0.1\n"
      "C.2.5.1.0.1=XP\n";
  TestApp t(ini, "xp");
  EXPECT_EQ(SelectWinVerKey(t.app), "C.2.5.1.0.1");
  EXPECT_EQ(ReadOsProfile(t.app), "XP");
}

TEST(SelectWinVerKey, ValueMayHoldDotsAndEquals) {
  TestApp t("[WinVer]\nA.2.5.1.0.1=WIN.XP=1\n", "xp");
  EXPECT_EQ(ReadOsProfile(t.app), "WIN.XP=1");
}

TEST(ReadOsProfile, EmptyWithoutSectionOrValue) {
  for (const char* ini : {"", "[Other]\nA.2.5.1.0.1=XP\n", "[WinVer]\n", "[WinVer]\nA.2.5.1.0.1=\n"}) {
    TestApp t(ini, "xp");
    EXPECT_EQ(ReadOsProfile(t.app), "") << ini;
  }
}

TEST(ReadOsProfile, LongValueIsCutAt255) {
  TestApp t("[WinVer]\nA.2.5.1.0.1=" + std::string(400, 'p') + "\n", "xp");
  EXPECT_EQ(ReadOsProfile(t.app), std::string(255, 'p'));
}

}  // namespace
}  // namespace drivora

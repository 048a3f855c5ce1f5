// The resources of the built Setup.exe, read back the way Windows reads them:
// the dialog template byte by byte, the menu through the menu loader, the
// manifest as text, the version record through the version API and the
// string table through LoadStringW.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "res/string_texts.h"
#include "tests/windows/setup_image.h"

namespace {

using drivora::test::SetupImage;

class SetupResources : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(setup_.Module(), nullptr) << "cannot open " << drivora::test::SetupExePath() << " as a data file";
  }
  SetupImage setup_;
};

std::wstring Wide(const char* utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
  if (size <= 0) return L"<not UTF-8>";
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), size);
  text.pop_back();
  return text;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[16];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  return out;
}

// ---- Dialog template ------------------------------------------------------

// Reads an extended dialog template (DLGTEMPLATEEX and DLGITEMTEMPLATEEX).
class TemplateReader {
 public:
  explicit TemplateReader(std::string_view bytes) : bytes_(bytes) {}

  bool failed() const { return failed_; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Take(2)); }
  std::uint32_t Dword() { return Take(4); }
  std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Take(1)); }
  std::wstring String() {
    std::wstring text;
    for (std::uint16_t c = Word(); c != 0 && !failed_; c = Word()) text += static_cast<wchar_t>(c);
    return text;
  }
  // A name or an ordinal (0xFFFF and the number); none at all is an empty name.
  std::wstring NameOrOrdinal() {
    const std::uint16_t first = Word();
    if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
    if (first == 0) return {};
    return static_cast<wchar_t>(first) + String();
  }
  void AlignToDword() { offset_ = (offset_ + 3) & ~std::size_t{3}; }
  void Skip(std::size_t count) { offset_ += count; }

 private:
  std::uint32_t Take(std::size_t size) {
    if (offset_ + size > bytes_.size()) {
      failed_ = true;
      return 0;
    }
    std::uint32_t value = 0;
    std::memcpy(&value, bytes_.data() + offset_, size);
    offset_ += size;
    return value;
  }
  std::string_view bytes_;
  std::size_t offset_ = 0;
  bool failed_ = false;
};

// Predefined classes that a template may name by ordinal instead.
std::wstring ClassName(const std::wstring& nameOrOrdinal) {
  if (nameOrOrdinal == L"#128") return L"Button";
  if (nameOrOrdinal == L"#129") return L"Edit";
  if (nameOrOrdinal == L"#130") return L"Static";
  if (nameOrOrdinal == L"#131") return L"ListBox";
  if (nameOrOrdinal == L"#132") return L"ScrollBar";
  if (nameOrOrdinal == L"#133") return L"ComboBox";
  return nameOrOrdinal;
}

struct DialogControl {
  std::uint32_t id, style, exStyle;
  std::int16_t x, y, cx, cy;
  std::wstring className, text;
};

TEST_F(SetupResources, MainDialogTemplate) {
  const std::string_view bytes = setup_.Resource(RT_DIALOG, MAKEINTRESOURCEA(101));
  ASSERT_FALSE(bytes.empty()) << "no dialog 101";
  TemplateReader in(bytes);

  EXPECT_EQ(in.Word(), 1) << "extended template, version 1";
  ASSERT_EQ(in.Word(), 0xFFFF) << "extended template signature";
  EXPECT_EQ(in.Dword(), 0u) << "help id";
  EXPECT_EQ(in.Dword(), 0u) << "extended style";
  const std::uint32_t style = in.Dword();
  EXPECT_EQ(style, 0x900008C0u) << "WS_POPUP | WS_VISIBLE | DS_CENTER | DS_MODALFRAME | DS_SETFONT";
  const std::uint16_t controlCount = in.Word();
  EXPECT_EQ(in.Short(), 0);
  EXPECT_EQ(in.Short(), 0);
  EXPECT_EQ(in.Short(), 260);
  EXPECT_EQ(in.Short(), 235);
  EXPECT_EQ(in.NameOrOrdinal(), L"") << "no menu";
  EXPECT_EQ(in.NameOrOrdinal(), L"") << "the default dialog class";
  EXPECT_EQ(in.String(), L"") << "no title: the program sets it";
  ASSERT_TRUE(style & DS_SETFONT) << "the font fields follow only with DS_SETFONT";
  EXPECT_EQ(in.Word(), 12) << "point size";
  EXPECT_EQ(in.Word(), 0) << "weight";
  EXPECT_EQ(in.Byte(), 0) << "italic";
  EXPECT_EQ(in.Byte(), DEFAULT_CHARSET);
  const std::wstring face = in.String();
  EXPECT_EQ(face, L"宋体") << "face read as " << Narrow(face);

  std::vector<DialogControl> controls;
  for (unsigned i = 0; i < controlCount && !in.failed(); ++i) {
    in.AlignToDword();
    DialogControl c{};
    in.Dword();  // help id
    c.exStyle = in.Dword();
    c.style = in.Dword();
    c.x = in.Short();
    c.y = in.Short();
    c.cx = in.Short();
    c.cy = in.Short();
    c.id = in.Dword();
    c.className = ClassName(in.NameOrOrdinal());
    c.text = in.NameOrOrdinal();
    in.Skip(in.Word());  // creation data
    controls.push_back(c);
  }
  ASSERT_FALSE(in.failed()) << "the template ends early";

  // In template order, which is also the tab order.
  const std::vector<DialogControl> expected = {
      {1001, 0x5001000E, WS_EX_TRANSPARENT, 196, 0, 64, 235, L"SysListView32", L"List1"},
      {1016, 0x48000003, 0, 0, 0, 20, 20, L"Static", L""},
      {1014, 0x48020001, 0, 16, 108, 157, 65, L"Static", L""},
      {1018, 0x48010080, WS_EX_TRANSPARENT, 196, 185, 32, 14, L"Button", L"Button1"},
      {1020, 0x48010080, WS_EX_TRANSPARENT, 229, 185, 31, 14, L"Button", L"Button2"},
  };
  ASSERT_EQ(controls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const DialogControl& c = controls[i];
    const DialogControl& e = expected[i];
    SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(c.id));
    EXPECT_EQ(c.id, e.id);
    EXPECT_EQ(lstrcmpiW(c.className.c_str(), e.className.c_str()), 0) << Narrow(c.className);
    EXPECT_EQ(c.text, e.text) << Narrow(c.text);
    EXPECT_EQ(c.style, e.style) << std::hex << c.style;
    EXPECT_EQ(c.exStyle, e.exStyle) << std::hex << c.exStyle;
    EXPECT_EQ(c.x, e.x);
    EXPECT_EQ(c.y, e.y);
    EXPECT_EQ(c.cx, e.cx);
    EXPECT_EQ(c.cy, e.cy);
  }
}

// ---- Menu -----------------------------------------------------------------

struct MenuItem {
  UINT type = 0, id = 0;
  HMENU submenu = nullptr;
  std::string text;
};

MenuItem ReadMenuItem(HMENU menu, UINT position) {
  char text[128] = {};
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
  info.dwTypeData = text;
  info.cch = sizeof text;
  MenuItem item;
  if (!GetMenuItemInfoA(menu, position, TRUE, &info)) return item;
  item.type = info.fType;
  item.id = info.wID;
  item.submenu = info.hSubMenu;
  item.text = text;
  return item;
}

TEST_F(SetupResources, PopupMenu) {
  const HMENU menu = LoadMenuA(setup_.Module(), MAKEINTRESOURCEA(111));
  ASSERT_NE(menu, nullptr) << "no menu 111";
  ASSERT_EQ(GetMenuItemCount(menu), 2);

  const MenuItem english = ReadMenuItem(menu, 0);
  EXPECT_EQ(english.text, "Menu_ENG");
  ASSERT_NE(english.submenu, nullptr) << "the right-click menu tracks popup 0";
  ASSERT_EQ(GetMenuItemCount(english.submenu), 3);
  const MenuItem close = ReadMenuItem(english.submenu, 0);
  EXPECT_EQ(close.text, "&Close\t ALT+F4");
  EXPECT_EQ(close.id, 0xF060u) << "SC_CLOSE";
  EXPECT_EQ(close.submenu, nullptr);
  EXPECT_TRUE(ReadMenuItem(english.submenu, 1).type & MFT_SEPARATOR);
  const MenuItem about = ReadMenuItem(english.submenu, 2);
  EXPECT_EQ(about.text, "&About");
  EXPECT_EQ(about.id, 40004u);
  EXPECT_FALSE(about.type & MFT_SEPARATOR);

  const MenuItem chinese = ReadMenuItem(menu, 1);
  EXPECT_EQ(chinese.text, "Menu_CHI");
  EXPECT_EQ(chinese.id, 65535u);
  EXPECT_EQ(chinese.submenu, nullptr) << "a plain item, not a popup";
  DestroyMenu(menu);
}

// ---- Resource languages -----------------------------------------------------

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<LANGID>*>(param)->push_back(language);
  return TRUE;
}

std::vector<LANGID> LanguagesOf(HMODULE module, LPCSTR type, LPCSTR name) {
  std::vector<LANGID> languages;
  EnumResourceLanguagesA(module, type, name, AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

TEST_F(SetupResources, DialogMenuAndStringsAreStoredOnceUnderSimplifiedChinese) {
  const std::vector<LANGID> chinese{MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)};
  EXPECT_EQ(LanguagesOf(setup_.Module(), RT_DIALOG, MAKEINTRESOURCEA(101)), chinese);
  EXPECT_EQ(LanguagesOf(setup_.Module(), RT_MENU, MAKEINTRESOURCEA(111)), chinese);
  // Strings 2 to 23 live in the blocks 1 (ids 0-15) and 2 (ids 16-31).
  EXPECT_EQ(LanguagesOf(setup_.Module(), RT_STRING, MAKEINTRESOURCEA(1)), chinese);
  EXPECT_EQ(LanguagesOf(setup_.Module(), RT_STRING, MAKEINTRESOURCEA(2)), chinese);
}

// ---- Manifest ---------------------------------------------------------------

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  // Manifests are numbered; a named one would show as a pointer, a high value.
  reinterpret_cast<std::vector<ULONG_PTR>*>(param)->push_back(reinterpret_cast<ULONG_PTR>(name));
  return TRUE;
}

std::vector<ULONG_PTR> NamesOf(HMODULE module, LPCSTR type) {
  std::vector<ULONG_PTR> names;
  EnumResourceNamesA(module, type, AddName, reinterpret_cast<LONG_PTR>(&names));
  return names;
}

// The manifest's text with every run of blanks between elements removed.
std::string WithoutBlanksBetweenElements(const std::string& text) {
  std::string compact;
  bool betweenElements = true;
  for (char c : text) {
    if (betweenElements && std::strchr(" \t\r\n", c) && c != '\0') continue;
    compact += c;
    betweenElements = c == '>';
  }
  return compact;
}

TEST_F(SetupResources, ManifestAsksForAdministratorAndDeclaresNoSupportedSystems) {
  // Exactly one manifest: a second one (from the toolchain, say) could bring
  // in a supported-systems list, and Windows would then report its real version.
  EXPECT_EQ(NamesOf(setup_.Module(), RT_MANIFEST), std::vector<ULONG_PTR>{1});
  EXPECT_EQ(LanguagesOf(setup_.Module(), RT_MANIFEST, MAKEINTRESOURCEA(1)).size(), 1u);

  std::string text(setup_.Resource(RT_MANIFEST, MAKEINTRESOURCEA(1)));
  ASSERT_FALSE(text.empty()) << "no manifest (type 24, id 1)";
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::string compact = WithoutBlanksBetweenElements(text);
  if (compact.compare(0, 5, "<?xml") == 0) compact.erase(0, compact.find("?>") + 2);

  // The wizard installs a kernel driver: it asks to be elevated, in the
  // trustInfo form that Windows XP accepts too (the asm.v2 namespace), and
  // holds nothing else, so every release after 6.2 still reports 6.2.
  EXPECT_EQ(compact,
            "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
            "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\"><security><requestedPrivileges>"
            "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"
            "</requestedPrivileges></security></trustInfo></assembly>")
      << text;
}

// ---- Version record ---------------------------------------------------------

class VersionRecord {
 public:
  explicit VersionRecord(const std::string& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data_.data())) data_.clear();
  }
  bool Loaded() const { return !data_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() {
    void* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(data_.data(), "\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO)) return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(value);
  }
  // Language and code page pairs from \VarFileInfo\Translation.
  std::vector<std::pair<WORD, WORD>> Translations() {
    void* value = nullptr;
    UINT size = 0;
    std::vector<std::pair<WORD, WORD>> pairs;
    if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", &value, &size)) return pairs;
    const WORD* words = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < size / sizeof(WORD); i += 2) pairs.emplace_back(words[i], words[i + 1]);
    return pairs;
  }
  std::optional<std::string> String(std::pair<WORD, WORD> translation, const char* name) {
    char path[128];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translation.first, translation.second, name);
    void* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(data_.data(), path, &value, &size) || !value) return std::nullopt;
    return std::string(static_cast<const char*>(value));
  }

 private:
  std::vector<char> data_;
};

TEST_F(SetupResources, VersionRecord) {
  VersionRecord record(drivora::test::SetupExePath());
  ASSERT_TRUE(record.Loaded()) << "no version record";

  const VS_FIXEDFILEINFO* fixed = record.Fixed();
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u) << std::hex << fixed->dwFileVersionMS;
  EXPECT_EQ(fixed->dwFileVersionLS, 4665u) << "2.0.0.4665";
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u) << std::hex << fixed->dwProductVersionMS;
  EXPECT_EQ(fixed->dwProductVersionLS, 4665u);
  EXPECT_TRUE(fixed->dwFileFlags & fixed->dwFileFlagsMask & VS_FF_DEBUG) << "marked as a debug build";
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const auto translations = record.Translations();
  ASSERT_FALSE(translations.empty()) << "no translation to read the texts under";
  for (const auto& translation : translations) {
    SCOPED_TRACE(testing::Message() << std::hex << translation.first << "/" << translation.second);
    EXPECT_EQ(record.String(translation, "FileDescription").value_or("<missing>"), "Mainboard's Device Driver wizard...");
    EXPECT_EQ(record.String(translation, "FileVersion").value_or("<missing>"), "2, 0, 0, 4665");
    EXPECT_EQ(record.String(translation, "InternalName").value_or("<missing>"), "Setup");
    EXPECT_EQ(record.String(translation, "OriginalFilename").value_or("<missing>"), "Setup.exe");
    EXPECT_EQ(record.String(translation, "ProductName").value_or("<missing>"), "Drivora...");
    EXPECT_EQ(record.String(translation, "ProductVersion").value_or("<missing>"), "2, 0, 0, 4665");
  }
}

// ---- String table -----------------------------------------------------------

std::optional<std::wstring> LoadWide(HMODULE module, UINT id) {
  // With a zero length LoadStringW hands out the resource text itself.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return std::nullopt;
  return std::wstring(text, static_cast<std::size_t>(length));
}

TEST_F(SetupResources, StringTableHoldsTwentyTwoTextsInPairs) {
  // The resource compiler turns the UTF-8 script into UTF-16; read back, each
  // text must be the one the shared header (and the drivora tool) uses.
  const char* const texts[] = {TEXT_2,  TEXT_3,  TEXT_4,  TEXT_5,  TEXT_6,  TEXT_7,  TEXT_8,  TEXT_9,
                               TEXT_10, TEXT_11, TEXT_12, TEXT_13, TEXT_14, TEXT_15, TEXT_16, TEXT_17,
                               TEXT_18, TEXT_19, TEXT_20, TEXT_21, TEXT_22, TEXT_23};
  for (UINT id = 2; id <= 23; ++id) {
    SCOPED_TRACE(id);
    const std::optional<std::wstring> text = LoadWide(setup_.Module(), id);
    ASSERT_TRUE(text.has_value()) << "string " << id << " is missing";
    EXPECT_FALSE(text->empty());
    EXPECT_EQ(*text, Wide(texts[id - 2])) << Narrow(*text);
  }
  EXPECT_FALSE(LoadWide(setup_.Module(), 1).has_value());
  EXPECT_FALSE(LoadWide(setup_.Module(), 24).has_value());

  // Spot checks against the texts themselves, so that a wrong header cannot
  // hide a wrong table.
  const auto text = [this](UINT id) { return LoadWide(setup_.Module(), id).value_or(L"<missing>"); };
  EXPECT_EQ(text(2), L"Browse CD");
  EXPECT_EQ(text(3), L"浏览CD");
  EXPECT_EQ(text(9), L"所有程序安装完毕，\n必需单击此键退出并重新启动。");
  EXPECT_EQ(text(21), L"Drivora...\n  Version 1.1");
  for (UINT id : {16u, 18u, 20u}) EXPECT_EQ(text(id), text(id + 1)) << id;
  for (UINT id : {2u, 4u, 6u, 8u, 10u, 12u, 14u, 22u}) EXPECT_NE(text(id), text(id + 1)) << "no Chinese twin for " << id;
}

}  // namespace

// winprobe: what a person sees on the Windows screen, as text for the
// end-to-end scripts. Lists the visible top-level windows (optionally only
// those with one exact title) and the texts of their child windows:
//
//   W <tab> process id <tab> owner window <tab> class <tab> title
//   C <tab> control id <tab> class <tab> visible 0/1 <tab> text
//
// Control characters in texts are written as \n, \r, \t or \xNN so that each
// record stays on one line; other bytes (backslashes included) are as they are,
// in the ANSI code page. Exit code 0 when at least one window was listed, 1
// when none was, 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The text a person reads on a window of another process. GetWindowTextA only
// gives the text the window manager keeps; asking the window itself covers
// controls that keep their own.
std::string TextOf(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  if (text[0] == '\0') {
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &length);
    text[sizeof text - 1] = '\0';
  }
  return text;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM parent) {
  // Only the window's own controls, not those of dialogs nested inside it.
  if (GetParent(child) != reinterpret_cast<HWND>(parent)) return TRUE;
  std::printf("C\t%ld\t%s\t%d\t%s\n", static_cast<long>(GetDlgCtrlID(child)), ClassOf(child).c_str(),
              IsWindowVisible(child) ? 1 : 0, Escaped(TextOf(child)).c_str());
  return TRUE;
}

struct Listing {
  const char* title;  // null: every visible window
  int count;
};

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM param) {
  auto* listing = reinterpret_cast<Listing*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  const std::string title = TextOf(window);
  if (listing->title && title != listing->title) return TRUE;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  std::printf("W\t%lu\t%p\t%s\t%s\n", static_cast<unsigned long>(processId),
              static_cast<void*>(GetWindow(window, GW_OWNER)), ClassOf(window).c_str(), Escaped(title).c_str());
  EnumChildWindows(window, PrintChild, reinterpret_cast<LPARAM>(window));
  ++listing->count;
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: winprobe [TITLE]\n");
    return 2;
  }
  Listing listing{argc == 2 ? argv[1] : nullptr, 0};
  EnumWindows(PrintTopLevel, reinterpret_cast<LPARAM>(&listing));
  std::fflush(stdout);
  return listing.count > 0 ? 0 : 1;
}

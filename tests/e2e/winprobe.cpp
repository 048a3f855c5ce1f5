// winprobe: what a person sees on the Windows screen, as text for the
// end-to-end scripts. Lists the visible top-level windows (optionally only
// those with one exact title) and the texts of their child windows:
//
//   W <tab> process id <tab> owner window <tab> class <tab> title
//   G <tab> client width <tab> client height <tab> window rectangle on the screen (left top right bottom) <tab> minimised 0/1
//   C <tab> control id <tab> class <tab> visible 0/1 <tab> text <tab> rectangle on the screen (left top right bottom)
//   R <tab> row <tab> image <tab> selected 0/1 <tab> row rectangle on the screen (left top right bottom) <tab> text
//
// R records follow the C record of a list-view control, one per row.
// Control characters in texts are written as \n, \r, \t or \xNN so that each
// record stays on one line; other bytes (backslashes included) are as they are,
// in the ANSI code page. Exit code 0 when at least one window was listed, 1
// when none was, 2 on a usage error.
//
// `winprobe --processes` lists the running processes instead:
//
//   P <tab> process id <tab> full path of its executable (empty if unreadable)
//
// `winprobe --restore TITLE` restores the minimised windows with that title,
// as a click on their task-bar buttons would; `winprobe --close TITLE` closes
// the windows with that title, as their close buttons would.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

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

// Memory in the process that owns a window: list-view messages carry
// pointers, which only mean something there.
class RemoteBlock {
 public:
  RemoteBlock(HWND window, SIZE_T bytes) : bytes_(bytes) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool Usable() const { return address_ != nullptr; }
  char* At(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
    return offset + size <= bytes_ && WriteProcessMemory(process_, At(offset), data, size, nullptr);
  }
  bool Read(SIZE_T offset, void* data, SIZE_T size) const {
    return offset + size <= bytes_ && ReadProcessMemory(process_, At(offset), data, size, nullptr);
  }

 private:
  SIZE_T bytes_;
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
  return static_cast<LRESULT>(result);
}

void PrintRows(HWND list) {
  constexpr SIZE_T kTextOffset = 256;
  constexpr int kTextBytes = 512;
  const RemoteBlock block(list, kTextOffset + kTextBytes);
  if (!block.Usable()) return;
  const int rows = static_cast<int>(Ask(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    item.iItem = row;
    item.stateMask = LVIS_SELECTED;
    item.pszText = block.At(kTextOffset);
    item.cchTextMax = kTextBytes;
    RECT bounds{};
    bounds.left = LVIR_SELECTBOUNDS;  // the image and the label: where a click hits the row
    char text[kTextBytes] = {};
    if (!block.Write(0, &item, sizeof item) || !Ask(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block.At(0))) ||
        !block.Read(0, &item, sizeof item) || !block.Read(kTextOffset, text, sizeof text - 1) ||
        !block.Write(0, &bounds, sizeof bounds) ||
        !Ask(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(block.At(0))) || !block.Read(0, &bounds, sizeof bounds))
      continue;
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&bounds), 2);
    std::printf("R\t%d\t%d\t%d\t%ld %ld %ld %ld\t%s\n", row, item.iImage, (item.state & LVIS_SELECTED) ? 1 : 0,
                bounds.left, bounds.top, bounds.right, bounds.bottom, Escaped(text).c_str());
  }
}

BOOL CALLBACK PrintChild(HWND child, LPARAM parent) {
  // Only the window's own controls, not those of dialogs nested inside it.
  if (GetParent(child) != reinterpret_cast<HWND>(parent)) return TRUE;
  RECT bounds{};
  GetWindowRect(child, &bounds);
  std::printf("C\t%ld\t%s\t%d\t%s\t%ld %ld %ld %ld\n", static_cast<long>(GetDlgCtrlID(child)), ClassOf(child).c_str(),
              IsWindowVisible(child) ? 1 : 0, Escaped(TextOf(child)).c_str(), bounds.left, bounds.top, bounds.right,
              bounds.bottom);
  if (ClassOf(child) == WC_LISTVIEWA) PrintRows(child);
  return TRUE;
}

void PrintGeometry(HWND window) {
  RECT client{};
  RECT outer{};
  GetClientRect(window, &client);
  GetWindowRect(window, &outer);
  std::printf("G\t%ld\t%ld\t%ld %ld %ld %ld\t%d\n", client.right - client.left, client.bottom - client.top, outer.left,
              outer.top, outer.right, outer.bottom, IsIconic(window) ? 1 : 0);
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
  PrintGeometry(window);
  EnumChildWindows(window, PrintChild, reinterpret_cast<LPARAM>(window));
  ++listing->count;
  return TRUE;
}

}  // namespace

std::string ExecutablePath(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (!process) return {};
  char path[MAX_PATH] = {};
  GetModuleFileNameExA(process, nullptr, path, MAX_PATH);
  CloseHandle(process);
  return path;
}

int PrintProcesses() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    std::printf("P\t%lu\t%s\n", static_cast<unsigned long>(entry.th32ProcessID),
                Escaped(ExecutablePath(entry.th32ProcessID)).c_str());
  }
  CloseHandle(snapshot);
  std::fflush(stdout);
  return 0;
}

BOOL CALLBACK RestoreWindow(HWND window, LPARAM title) {
  if (IsWindowVisible(window) && IsIconic(window) && TextOf(window) == reinterpret_cast<const char*>(title))
    PostMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  return TRUE;
}

BOOL CALLBACK CloseWindow(HWND window, LPARAM title) {
  if (IsWindowVisible(window) && TextOf(window) == reinterpret_cast<const char*>(title))
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--processes") return PrintProcesses();
  if (argc == 3 && std::string(argv[1]) == "--restore")
    return EnumWindows(RestoreWindow, reinterpret_cast<LPARAM>(argv[2])) ? 0 : 1;
  if (argc == 3 && std::string(argv[1]) == "--close")
    return EnumWindows(CloseWindow, reinterpret_cast<LPARAM>(argv[2])) ? 0 : 1;
  if (argc > 2) {
    std::fprintf(stderr, "usage: winprobe [TITLE] | winprobe --processes | winprobe --restore|--close TITLE\n");
    return 2;
  }
  Listing listing{argc == 2 ? argv[1] : nullptr, 0};
  EnumWindows(PrintTopLevel, reinterpret_cast<LPARAM>(&listing));
  std::fflush(stdout);
  return listing.count > 0 ? 0 : 1;
}

#include "tests/windows/person_at_screen.h"

#include <algorithm>

namespace drivora::test {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;  // the static that holds a box's text

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  char text[2048] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string WithoutMnemonics(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
  return text;
}

struct BoxSearch {
  DWORD processId;
  HWND answered;  // a box already answered may still be on its way out
  HWND found;
};

// A visible dialog-class window of this process: a message box.
BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || window == search->answered || !IsWindowVisible(window)) return TRUE;
  if (ClassOf(window) != "#32770") return TRUE;
  search->found = window;
  return FALSE;
}

struct Controls {
  SeenBox box;
  std::vector<HWND> buttons;
};

BOOL CALLBACK ReadControl(HWND child, LPARAM param) {
  auto* controls = reinterpret_cast<Controls*>(param);
  const std::string kind = ClassOf(child);
  if (kind == "Button" && IsWindowVisible(child)) {
    controls->box.buttons.push_back(WithoutMnemonics(TextOf(child)));
    controls->buttons.push_back(child);
  } else if (kind == "Static" && GetDlgCtrlID(child) == kMessageBoxTextId) {
    controls->box.text = TextOf(child);
  } else if (kind == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    controls->box.hasIcon = true;
  }
  return TRUE;
}

}  // namespace

PersonAtScreen::PersonAtScreen(std::vector<std::string> answers)
    : answers_(std::move(answers)), watcher_([this] { Watch(); }) {}

PersonAtScreen::~PersonAtScreen() {
  stop_ = true;
  if (watcher_.joinable()) watcher_.join();
}

std::vector<SeenBox> PersonAtScreen::Seen() {
  stop_ = true;
  if (watcher_.joinable()) watcher_.join();
  return seen_;
}

void PersonAtScreen::Watch() {
  while (!stop_ && seen_.size() < answers_.size()) {
    if (!AnswerOneBox()) Sleep(50);
  }
}

// Reads the box on the screen, if there is one, and clicks the button the
// next answer names, the way the mouse would.
bool PersonAtScreen::AnswerOneBox() {
  BoxSearch search{GetCurrentProcessId(), IsWindow(lastAnswered_) ? lastAnswered_ : nullptr, nullptr};
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  // A person reads a box once it is drawn, not while it is being built.
  Sleep(300);
  Controls controls;
  controls.box.caption = TextOf(search.found);
  EnumChildWindows(search.found, ReadControl, reinterpret_cast<LPARAM>(&controls));
  const std::string& answer = answers_[seen_.size()];
  seen_.push_back(controls.box);
  lastAnswered_ = search.found;
  for (std::size_t i = 0; i < controls.buttons.size(); ++i) {
    if (controls.box.buttons[i] == answer) {
      SendMessageA(controls.buttons[i], BM_CLICK, 0, 0);
      return true;
    }
  }
  // No such button: close the box so that the test can go on and fail.
  PostMessageA(search.found, WM_CLOSE, 0, 0);
  return true;
}

}  // namespace drivora::test

// A person at the screen: waits for a message box of this program to appear,
// reads it, and presses one of its buttons, from a thread of its own while
// the code under test sits in the box's modal loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace drivora::test {

struct SeenBox {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;  // as shown, without their '&' marks
  bool hasIcon = false;
};

class PersonAtScreen {
 public:
  // Answers each box that appears, in turn, with the next button of
  // `answers` (its text as shown, e.g. "No"), for as long as this lives.
  explicit PersonAtScreen(std::vector<std::string> answers);
  ~PersonAtScreen();
  PersonAtScreen(const PersonAtScreen&) = delete;
  PersonAtScreen& operator=(const PersonAtScreen&) = delete;

  // Stops looking and gives what was seen, in order.
  std::vector<SeenBox> Seen();

 private:
  void Watch();
  bool AnswerOneBox();

  std::vector<std::string> answers_;
  std::vector<SeenBox> seen_;
  HWND lastAnswered_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread watcher_;
};

}  // namespace drivora::test

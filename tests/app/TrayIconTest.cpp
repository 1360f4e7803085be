// The notification-area icon's rules over a shell that records its calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/TrayIcon.h"

namespace qm::test {
namespace {

using Strings = std::vector<std::string>;

class RecordingTrayShell : public app::ITrayShell {
 public:
  int refusals = 0;  // adds refused before one is taken
  bool canPost = true;
  Strings calls;

  bool NotifyAdd(const std::string& tip) override {
    calls.push_back("add " + tip + (refusals > 0 ? " refused" : ""));
    return refusals-- <= 0;
  }
  bool NotifyDelete() override {
    calls.push_back("delete");
    return true;
  }
  bool PostSync() override {
    calls.push_back("post");
    return canPost;
  }
  void SyncAfter(unsigned milliseconds) override { calls.push_back("after " + std::to_string(milliseconds)); }
};

// Steps: + add, - remove, s the sync arrives, t a taskbar made anew, d the
// window destroyed. The shell hears only the last wish, at the sync.
TEST(TrayIcon, TheShellIsToldTheLastWishOnlyAtTheSync) {
  struct Case {
    const char* steps;
    int refusals;
    bool canPost;
    Strings calls;
    bool shown;
  } cases[] = {
      {"+-s", 0, true, {"post"}, false},  // a normal start costs no shell call
      {"+s", 0, true, {"post", "add Quill Moor"}, true},
      {"+s-+s", 0, true, {"post", "add Quill Moor", "post"}, true},
      {"+s-s", 0, true, {"post", "add Quill Moor", "post", "delete"}, false},
      {"+ss", 1, true, {"post", "add Quill Moor refused", "after 500", "add Quill Moor"}, true},
      {"+st", 0, true, {"post", "add Quill Moor", "add Quill Moor"}, true},
      {"t", 0, true, {}, false},
      {"+sd", 0, true, {"post", "add Quill Moor", "delete"}, false},
      {"+", 0, false, {"post", "add Quill Moor"}, true},  // no sync can be asked for: told at once
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    RecordingTrayShell shell;
    shell.refusals = c.refusals;
    shell.canPost = c.canPost;
    app::TrayIcon icon(shell);
    for (const char* step = c.steps; *step; ++step) {
      if (*step == '+') icon.Add("Quill Moor");
      if (*step == '-') icon.Remove();
      if (*step == 's') icon.Sync();
      if (*step == 't') icon.TaskbarCreated();
      if (*step == 'd') icon.WindowDestroyed();
    }
    EXPECT_EQ(c.calls, shell.calls);
    EXPECT_EQ(c.shown, icon.Shown());
  }
}

}  // namespace
}  // namespace qm::test

#pragma once
// CAboutDialog: the program's name and version, the notice lines and the
// links to the maker. Built for Windows only: it is nothing but its window.
#include "dialogs/OstrumApi.h"

namespace qm {

class OSTRUM_API CAboutDialog {
 public:
  CAboutDialog() {}
  CAboutDialog(const CAboutDialog&) {}
  CAboutDialog& operator=(const CAboutDialog&) { return *this; }
  virtual ~CAboutDialog() {}

  // Runs the window modally; 1 however it was closed.
  int ShowDialog() const;
};

// Where the about box's links lead.
OSTRUM_API const char* AboutWebPage();
OSTRUM_API const char* AboutSupportMail();
OSTRUM_API const char* AboutCommentMail();

}  // namespace qm

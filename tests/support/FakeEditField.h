#pragma once
// An edit field that keeps its text and counts how often it was set.
#include <string>

#include "platform/Ui.h"

namespace qm::test {

class FakeEditField : public platform::IEditField {
 public:
  std::string text;
  int setCalls = 0;

  void SetText(const std::string& newText) override {
    text = newText;
    ++setCalls;
  }
  std::string GetText() const override { return text; }
};

}  // namespace qm::test

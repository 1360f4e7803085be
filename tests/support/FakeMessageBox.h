#pragma once
// Message boxes that are never shown, only recorded in order.
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace qm::test {

class FakeMessageBox : public platform::IMessageBox {
 public:
  std::vector<std::string> shown;

  void ShowOk(const std::string& text) override { shown.push_back(text); }
};

}  // namespace qm::test

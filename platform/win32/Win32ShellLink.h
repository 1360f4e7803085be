#pragma once
// The COM shell-link object with its file interface.
#include <memory>

#include "platform/ShellLink.h"

namespace qm::win32 {
class ComApartment;
}

namespace qm::platform {

class KELVRIN_API Win32ShellLink : public ILinkObject {
 public:
  // Enters a COM apartment on the calling thread and creates the object;
  // null when either cannot be had.
  static std::unique_ptr<Win32ShellLink> Create();
  ~Win32ShellLink() override;
  Win32ShellLink(const Win32ShellLink&) = delete;
  Win32ShellLink& operator=(const Win32ShellLink&) = delete;

  long Clear() override;
  long Load(const std::string& file) override;
  long Save(const std::string& file) override;
  long SetPath(const std::string& target) override;
  long GetPath(std::string* target) override;
  long SetArguments(const std::string& arguments) override;
  long GetArguments(std::string* arguments) override;

 private:
  struct Object;
  explicit Win32ShellLink(std::unique_ptr<win32::ComApartment> apartment);
  // Entered before the object is made, left after it is gone.
  std::unique_ptr<win32::ComApartment> apartment_;
  std::unique_ptr<Object> object_;
};

}  // namespace qm::platform

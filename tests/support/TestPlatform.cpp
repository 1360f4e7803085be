#include "tests/support/TestPlatform.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/foundation/Log.h"

namespace fs = std::filesystem;

namespace qm::test {
namespace {

std::string MakeTempFolder() {
  std::random_device random;
  fs::path folder = fs::temp_directory_path() / ("qm-test-" + std::to_string(random()) + std::to_string(random()));
  fs::create_directories(folder);
  return folder.string();
}

}  // namespace

TestPlatform::TestPlatform()
    : driveC_(MakeTempFolder()),
      registrySlot_(&registry),
      filesSlot_(&files),
      systemSlot_(&system),
      linkSlot_(&link) {
  files.MapDrive('C', driveC_);
  fs::create_directories(fs::path(driveC_) / "Program Files" / "Quill Moor");
  fs::create_directories(fs::path(driveC_) / "windows" / "system32");
  fs::create_directories(fs::path(driveC_) / "Users" / "ann" / "Temp");
  CLog::SetApplicationNames("", "");
}

TestPlatform::~TestPlatform() {
  std::error_code error;
  fs::remove_all(driveC_, error);
  CLog::SetApplicationNames("", "");
}

namespace {
// Host paths are UTF-8, as every name of ours; a plain string would be read in
// the C library's code page on Windows.
fs::path HostFs(const std::string& host) {
  try {
    return fs::path(std::u8string(host.begin(), host.end()));
  } catch (const std::exception&) {
    return fs::path(host);  // bytes that are not UTF-8, as a bad-input test writes them
  }
}
}  // namespace

void TestPlatform::WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(HostFs(Host(path)), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string TestPlatform::ReadFile(const std::string& path) const {
  std::ifstream in(HostFs(Host(path)), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TestPlatform::FileExists(const std::string& path) const { return fs::exists(HostFs(Host(path))); }

void TestPlatform::MakeFolder(const std::string& path) { fs::create_directories(HostFs(Host(path))); }

void TestPlatform::SetText(RegKey root, const std::string& key, const std::string& name, const std::string& text) {
  CRegistry registry;
  registry.CreateKey(root, key.c_str());
  registry.SetValue(root, key.c_str(), name.c_str(), text);
}

void TestPlatform::SetNumber(RegKey root, const std::string& key, const std::string& name, std::uint32_t number) {
  CRegistry registry;
  registry.CreateKey(root, key.c_str());
  registry.SetValue(root, key.c_str(), name.c_str(), number);
}

bool TestPlatform::HasValue(RegKey root, const std::string& key, const std::string& name) {
  return CRegistry().IsValueNamePresent(root, key.c_str(), name.c_str()) == 1;
}

std::string TestPlatform::Text(RegKey root, const std::string& key, const std::string& name) {
  std::string text;
  if (!CRegistry().GetValue(root, key.c_str(), name.c_str(), &text)) return "<missing>";
  return text;
}

std::int64_t TestPlatform::Number(RegKey root, const std::string& key, const std::string& name) {
  std::uint32_t number = 0;
  if (!CRegistry().GetValue(root, key.c_str(), name.c_str(), &number)) return -1;
  return number;
}

std::vector<std::string> TestPlatform::Names(RegKey root, const std::string& key) {
  std::vector<std::string> names;
  CRegistry().EnumerateValueNames(root, key.c_str(), &names);
  return names;
}

void TestPlatform::StartLog() { CLog::Setup(); }

std::vector<std::string> TestPlatform::LogLines() const {
  std::string log = Log();
  // Lines after the last header rule, which ends "----\r\n\r\n".
  std::size_t header = log.rfind("------\r\n\r\n");
  if (header != std::string::npos) log = log.substr(header + 10);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    lines.push_back(log.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace qm::test

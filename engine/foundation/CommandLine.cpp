#include "engine/foundation/CommandLine.h"

#include <vector>

namespace qm {
namespace {

bool IsExeBefore(const std::string& text, std::size_t blank) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return text[blank - 4] == '.' && lower(text[blank - 3]) == 'e' && lower(text[blank - 2]) == 'x' &&
         lower(text[blank - 1]) == 'e';
}

// PathRemoveArgs: cut at the first blank outside double quotes, the blank
// included; without one, drop a single trailing blank.
void RemoveArguments(std::string& path) {
  bool quoted = false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '"') {
      quoted = !quoted;
    } else if (path[i] == ' ' && !quoted) {
      path.erase(i);
      return;
    }
  }
  if (!path.empty() && path.back() == ' ') path.pop_back();
}

}  // namespace

int SplitPathArgument(const std::string& commandLine, std::string* path, std::string* argument) {
  if (!path || !argument) return 0;
  std::string p = commandLine;
  std::vector<std::size_t> hidden;
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (p[i] != ' ') continue;
    if (i > 3 && IsExeBefore(p, i)) break;
    p[i] = '_';
    hidden.push_back(i);
  }
  RemoveArguments(p);
  for (std::size_t i : hidden)
    if (i < p.size()) p[i] = ' ';
  long n = static_cast<long>(commandLine.size()) - static_cast<long>(p.size()) - 1;
  *argument = n > 0 ? commandLine.substr(commandLine.size() - static_cast<std::size_t>(n)) : std::string();
  *path = p;
  return 1;
}

std::string JoinPathArgument(const std::string& path, const std::string& argument) {
  return path + " " + argument;
}

}  // namespace qm

#pragma once
// CRegistry: the one gateway of the whole system to the registry.
//
// A value class without registry state: every operation names its root, key
// path and value name, opens the key, does one job, closes the key and answers
// 1 for success or 0 for failure. It logs nothing; the callers decide what to log.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/KelvrinApi.h"
#include "platform/RegistryStore.h"

namespace qm {

using platform::RegKey;
inline constexpr RegKey HKeyCurrentUser = platform::kHkeyCurrentUser;
inline constexpr RegKey HKeyLocalMachine = platform::kHkeyLocalMachine;

// Size of every fixed buffer of the gateway, terminator included.
inline constexpr std::size_t kRegistryBufferSize = 260;

class KELVRIN_API CRegistry {
 public:
  CRegistry();
  CRegistry(const CRegistry& other);
  CRegistry& operator=(const CRegistry& other);
  virtual ~CRegistry();

  int CreateKey(RegKey root, const char* path);
  int CreateKey(RegKey root, const char* parentPath, const char* subkeyName);
  int DeleteKey(RegKey root, const char* parentPath, const char* subkeyName);
  int DeleteValue(RegKey root, const char* path, const char* valueName);

  int SetValue(RegKey root, const char* path, const char* valueName, std::uint32_t number);
  int SetValue(RegKey root, const char* path, const char* valueName, const std::string& text);
  int SetValue(RegKey root, const char* path, const char* valueName, const std::uint8_t* data, std::uint32_t size);
  int SetValue(RegKey root, const char* path, const char* valueName, const char* text, std::uint32_t size);

  int GetValue(RegKey root, const char* path, const char* valueName, std::uint32_t* number);
  int GetValue(RegKey root, const char* path, const char* valueName, std::string* text);
  int GetValue(RegKey root, const char* path, const char* valueName, std::uint8_t* data, std::uint32_t* size);
  int GetValue(RegKey root, const char* path, const char* valueName, char* data, std::uint32_t* size);

  int CopyValue(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
                const char* valueName);
  int MoveValue(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
                const char* valueName);
  int RenameValue(RegKey root, const char* path, const char* oldName, const char* newName);

  int Copy(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
           int valuesOnly);
  int CopyEx(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
             int valuesOnly);
  int Move(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
           int valuesOnly);
  int MoveEx(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
             int valuesOnly);

  int IsValueNamePresent(RegKey root, const char* path, const char* valueName);
  int EnumerateValueNames(RegKey root, const char* path, std::vector<std::string>* names);

  // The system error code of the last store call that failed; for diagnosis only.
  std::uint32_t lastError;

 private:
  enum class Transfer { Copy, CopyEx, Move, MoveEx };
  int TransferKey(Transfer kind, RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath,
                  const char* destinationPath, int valuesOnly);
  int ReadWholeValue(RegKey key, const char* valueName, std::uint32_t* type, std::vector<std::uint8_t>* data);
  int Failed();
};

}  // namespace qm

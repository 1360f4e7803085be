#pragma once
// CRegistry: the one gateway of the whole system to the registry.
//
// A value class without registry state: every operation names its root, key
// path and value name, opens the key, does one job, closes the key and answers
// 1 for success or 0 for failure. It logs nothing; the callers decide what to log.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/KelvrinApi.h"
#include "platform/RegistryStore.h"

namespace qm {

using platform::RegKey;
inline constexpr RegKey HKeyCurrentUser = platform::kHkeyCurrentUser;
inline constexpr RegKey HKeyLocalMachine = platform::kHkeyLocalMachine;

// Where public entries live: HKEY_LOCAL_MACHINE as this program sees it and,
// on 64-bit Windows, the view of it that it does not see by itself (the
// other view's root), in that order. Each entry of the other view is stored
// under the product key of that same view, so it goes back to where it came
// from, and a name in both views is two entries.
KELVRIN_API std::vector<RegKey> PublicRoots();
// The other view's root on 64-bit Windows; kNoKey on 32-bit Windows.
KELVRIN_API RegKey OtherPublicView();
// Whether root holds the public entries of 32-bit programs on a machine with
// two views: the 32-bit view, which a 32-bit program sees as HKEY_LOCAL_MACHINE
// itself. False for every root where there is one view.
KELVRIN_API bool IsThirtyTwoBitView(RegKey root);

// Whether root is HKEY_LOCAL_MACHINE in either view.
inline bool IsPublicRoot(RegKey root) {
  return root == HKeyLocalMachine || root == platform::kHklm64View || root == platform::kHklm32View;
}

// Size of every fixed buffer of the gateway, terminator included.
inline constexpr std::size_t kRegistryBufferSize = 260;

// What a walk over the values of a key met besides the values it handled, for
// callers that must log it or know whether the walk saw the whole key. The
// gateway itself logs nothing.
struct RegistryWalk {
  // Values passed over because their name or data does not fit the 260-byte
  // buffers: they stay where they stand and the walk goes on after them. A
  // name that itself does not fit cannot be given back; it is only counted.
  std::vector<std::string> passedOver;
  std::uint32_t unnamedPassedOver = 0;
  // Empty texts that CopyEx and MoveEx left where they stand.
  std::vector<std::string> leftEmpty;
  // False when an enumeration failed for another reason than the end of the
  // list (the key went away, access was refused): what came after it was not seen.
  bool reachedEnd = true;
};

// One value as a listing with data reads it.
struct RegistryValue {
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

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


  // The same four transfers, telling walk (which may be null) what they passed
  // over and whether they reached the end of the source's values. A value
  // whose name, folded by platform::FoldCase, is in leaveAlone is neither
  // written nor deleted: it is left where it stands in both keys.
  int Copy(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
           int valuesOnly, RegistryWalk* walk = nullptr, const std::set<std::string>* leaveAlone = nullptr);
  int CopyEx(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
             int valuesOnly, RegistryWalk* walk = nullptr, const std::set<std::string>* leaveAlone = nullptr);
  int Move(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
           int valuesOnly, RegistryWalk* walk = nullptr, const std::set<std::string>* leaveAlone = nullptr);
  int MoveEx(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
             int valuesOnly, RegistryWalk* walk = nullptr, const std::set<std::string>* leaveAlone = nullptr);

  int IsValueNamePresent(RegKey root, const char* path, const char* valueName);
  int EnumerateValueNames(RegKey root, const char* path, std::vector<std::string>* names);
  // As above, telling walk (which may be null) how many names did not fit.
  int EnumerateValueNames(RegKey root, const char* path, std::vector<std::string>* names, RegistryWalk* walk);
  // Every value of the key whose name and data fit the 260-byte buffers, with
  // its type and data, in enumeration order; walk (which may be null) names
  // those passed over. 0 with an empty list when the key cannot be opened or
  // a step of the listing fails before its end.
  int EnumerateValues(RegKey root, const char* path, std::vector<RegistryValue>* values, RegistryWalk* walk);
  // Every value of the key as GetValue reads a number (the first four bytes,
  // little-endian; shorter data as if zero-filled), keyed by its name folded
  // by platform::FoldCase; a value GetValue would refuse (longer data) is left
  // out. One listing instead of a key opened per name. 0 with an empty map
  // when the key cannot be listed.
  int ReadNumbers(RegKey root, const char* path, std::map<std::string, std::uint32_t>* numbers);

  // The system error code of the last store call that failed; for diagnosis only.
  std::uint32_t lastError;

 private:
  enum class Transfer { Copy, CopyEx, Move, MoveEx };
  int TransferKey(Transfer kind, RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath,
                  const char* destinationPath, int valuesOnly, RegistryWalk* walk,
                  const std::set<std::string>* leaveAlone);
  // Records in walk the value at index that did not fit the buffers.
  void NotePassedOver(RegKey key, std::uint32_t index, RegistryWalk* walk);
  int ListingFailed(long status, RegistryWalk* walk);
  int ReadWholeValue(RegKey key, const char* valueName, std::uint32_t* type, std::vector<std::uint8_t>* data);
  int Failed();
};

}  // namespace qm

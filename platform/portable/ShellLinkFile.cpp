#include "platform/portable/ShellLinkFile.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/portable/Utf8.h"

namespace qm::platform {
namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// LinkFlags
constexpr std::uint32_t kHasIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kHasName = 0x4;  // the five text flags follow in StringData order
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kForceNoLinkInfo = 0x100;
constexpr std::uint32_t kHasExpString = 0x200;
constexpr std::uint32_t kHasDarwinId = 0x1000;

// LinkInfoFlags
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr std::uint32_t kCommonNetworkRelativeLink = 0x2;

// ExtraData signatures of blocks that describe the target itself; they go
// when the target changes, or Windows would resolve the link to the old one.
constexpr std::uint32_t kEnvironmentVariableBlock = 0xA0000001;
constexpr std::uint32_t kTrackerBlock = 0xA0000003;
constexpr std::uint32_t kSpecialFolderBlock = 0xA0000005;
constexpr std::uint32_t kDarwinBlock = 0xA0000006;
constexpr std::uint32_t kPropertyStoreBlock = 0xA0000009;
constexpr std::uint32_t kKnownFolderBlock = 0xA000000B;

class Reader {
 public:
  Reader(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t end)
      : bytes_(&bytes), pos_(begin), end_(std::min(end, bytes.size())) {}
  bool Has(std::size_t count) const { return pos_ <= end_ && end_ - pos_ >= count; }
  std::size_t Pos() const { return pos_; }
  bool U16(std::uint16_t& value) {
    if (!Has(2)) return false;
    value = static_cast<std::uint16_t>((*bytes_)[pos_] | ((*bytes_)[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool U32(std::uint32_t& value) {
    if (!Has(4)) return false;
    const std::vector<std::uint8_t>& b = *bytes_;
    value = static_cast<std::uint32_t>(b[pos_]) | (static_cast<std::uint32_t>(b[pos_ + 1]) << 8) |
            (static_cast<std::uint32_t>(b[pos_ + 2]) << 16) | (static_cast<std::uint32_t>(b[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }
  bool Bytes(std::size_t count, std::vector<std::uint8_t>& out) {
    if (!Has(count)) return false;
    out.assign(bytes_->begin() + static_cast<std::ptrdiff_t>(pos_),
               bytes_->begin() + static_cast<std::ptrdiff_t>(pos_ + count));
    pos_ += count;
    return true;
  }

 private:
  const std::vector<std::uint8_t>* bytes_;
  std::size_t pos_;
  std::size_t end_;
};

std::uint32_t At32(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void Set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// NUL-terminated texts inside a structure; a text without its NUL before
// the end of the structure is cut at the end. The ANSI fields are written in
// the system's code page, whatever code page the writer ran with: they come
// back as UTF-8, the engine's own.
std::string AnsiAt(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t end) {
  std::string text;
  for (std::size_t i = at; i < end && i < b.size() && b[i] != 0; ++i) text += static_cast<char>(b[i]);
  return SystemAnsiToUtf8(text);
}

std::u16string Utf16At(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t end) {
  std::u16string text;
  for (std::size_t i = at; i + 1 < end && i + 1 < b.size(); i += 2) {
    char16_t c = static_cast<char16_t>(b[i] | (b[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

void PutAnsiZ(std::vector<std::uint8_t>& out, const std::string& text) {
  for (char c : text) out.push_back(static_cast<std::uint8_t>(c));
  out.push_back(0);
}

void PutUtf16Z(std::vector<std::uint8_t>& out, const std::u16string& text) {
  for (char16_t c : text) Put16(out, c);
  Put16(out, 0);
}

std::string TargetFromLinkInfo(const std::vector<std::uint8_t>& info) {
  std::size_t size = info.size();
  std::uint32_t headerSize = At32(info, 4);
  std::uint32_t flags = At32(info, 8);
  std::uint32_t localOffset = At32(info, 16);
  std::uint32_t networkOffset = At32(info, 20);
  std::uint32_t suffixOffset = At32(info, 24);
  bool unicode = headerSize >= 0x24;
  std::uint32_t localOffsetW = unicode ? At32(info, 28) : 0;
  std::uint32_t suffixOffsetW = unicode ? At32(info, 32) : 0;

  std::string suffix;
  if (suffixOffsetW && suffixOffsetW < size)
    suffix = Utf16ToAnsi(Utf16At(info, suffixOffsetW, size));
  else if (suffixOffset && suffixOffset < size)
    suffix = AnsiAt(info, suffixOffset, size);

  if ((flags & kVolumeIdAndLocalBasePath) && (localOffsetW || localOffset)) {
    std::string base = (localOffsetW && localOffsetW < size) ? Utf16ToAnsi(Utf16At(info, localOffsetW, size))
                                                             : AnsiAt(info, localOffset, size);
    return base + suffix;
  }
  if ((flags & kCommonNetworkRelativeLink) && networkOffset && networkOffset < size) {
    std::uint32_t linkSize = At32(info, networkOffset);
    std::size_t linkEnd = std::min<std::size_t>(size, std::size_t{networkOffset} + linkSize);
    std::uint32_t nameOffset = At32(info, networkOffset + 8);
    std::uint32_t nameOffsetW = nameOffset > 0x14 ? At32(info, networkOffset + 20) : 0;
    std::string share = nameOffsetW ? Utf16ToAnsi(Utf16At(info, networkOffset + nameOffsetW, linkEnd))
                                    : AnsiAt(info, networkOffset + nameOffset, linkEnd);
    if (suffix.empty()) return share;
    return share + "\\" + suffix;
  }
  return {};
}

// LinkInfo of a target on a local volume, with the texts in both forms.
std::vector<std::uint8_t> LocalLinkInfo(const std::string& target) {
  constexpr std::uint32_t kInfoHeaderSize = 0x24;
  std::vector<std::uint8_t> info(kInfoHeaderSize, 0);
  Set32(info, 4, kInfoHeaderSize);
  Set32(info, 8, kVolumeIdAndLocalBasePath);
  Set32(info, 12, static_cast<std::uint32_t>(info.size()));
  Put32(info, 0x11);  // VolumeID: size, fixed drive, no serial, an empty label
  Put32(info, 3);
  Put32(info, 0);
  Put32(info, 0x10);
  info.push_back(0);
  Set32(info, 16, static_cast<std::uint32_t>(info.size()));
  PutAnsiZ(info, target);
  Set32(info, 24, static_cast<std::uint32_t>(info.size()));
  info.push_back(0);
  if (info.size() % 2) info.push_back(0);
  Set32(info, 28, static_cast<std::uint32_t>(info.size()));
  PutUtf16Z(info, AnsiToUtf16(target));
  Set32(info, 32, static_cast<std::uint32_t>(info.size()));
  Put16(info, 0);
  Set32(info, 0, static_cast<std::uint32_t>(info.size()));
  return info;
}

std::string TargetFromEnvironmentBlock(const std::vector<std::uint8_t>& block) {
  // Size, signature, TargetAnsi[260], TargetUnicode[260 wide].
  if (block.size() < 8 + 260 + 520) return {};
  std::u16string wide = Utf16At(block, 8 + 260, 8 + 260 + 520);
  return wide.empty() ? AnsiAt(block, 8, 8 + 260) : Utf16ToAnsi(wide);
}

// The path an item list spells out: a drive item, then one file-system item
// per name. Windows writes no LinkInfo for a target that does not exist, so
// the list is all there is. Items of other kinds end the walk.
std::string TargetFromIdList(const std::vector<std::uint8_t>& list) {
  std::string path;
  std::size_t at = 0;
  while (at + 2 <= list.size()) {
    std::size_t size = list[at] | (list[at + 1] << 8);
    if (size < 3 || at + size > list.size()) break;
    std::uint8_t type = list[at + 2];
    if (type == 0x1F) {  // the computer or another shell folder: nothing of the path
    } else if ((type & 0x70) == 0x20) {  // a drive: "C:\"
      path = AnsiAt(list, at + 3, at + size);
    } else if ((type & 0x70) == 0x30 && size > 14) {  // a folder or a file: its name
      std::string name = AnsiAt(list, at + 14, at + size);
      if (name.empty() || path.empty()) break;
      if (path.back() != '\\') path += '\\';
      path += name;
    } else {
      break;
    }
    at += size;
  }
  return path;
}

}  // namespace

// The engine's texts are in the active code page of our programs, UTF-8 (the
// manifest). A byte that is not part of well-formed UTF-8 travels as the lone
// surrogate U+DC00 plus its value and comes back as itself, so that an ANSI
// name in an old link survives a load and a save whatever bytes it holds.
std::u16string AnsiToUtf16(const std::string& text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t code = 0;
    std::size_t length = DecodeUtf8(text, i, code);
    if (length == 0) {
      wide += static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(text[i]));
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      wide += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      wide += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<char16_t>(code);
    }
    i += length;
  }
  return wide;
}

std::string Utf16ToAnsi(const std::u16string& text) {
  std::string ansi;
  ansi.reserve(text.size());
  auto put = [&ansi](std::uint32_t code) { AppendUtf8(code, ansi); };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      put(0x10000 + ((static_cast<std::uint32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xDC80 && c <= 0xDCFF) {
      ansi += static_cast<char>(c - 0xDC00);  // a byte that was not UTF-8, as it came
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      put(0xFFFD);  // half a character, as the system converts it
    } else {
      put(c);
    }
  }
  return ansi;
}

ShellLinkData ShellLinkData::Empty() {
  ShellLinkData link;
  link.header.assign(kHeaderSize, 0);
  Set32(link.header, 0, kHeaderSize);
  std::copy(std::begin(kLinkClsid), std::end(kLinkClsid), link.header.begin() + 4);
  Set32(link.header, 0x3C, 1);  // SW_SHOWNORMAL
  return link;
}

void ShellLinkData::ChangeTarget(const std::string& newTarget) {
  idList.clear();
  linkInfo.clear();
  hasText[kRelativePath] = false;
  text[kRelativePath].clear();
  extraBlocks.erase(std::remove_if(extraBlocks.begin(), extraBlocks.end(),
                                   [](const std::vector<std::uint8_t>& block) {
                                     std::uint32_t signature = At32(block, 4);
                                     return signature == kEnvironmentVariableBlock || signature == kTrackerBlock ||
                                            signature == kSpecialFolderBlock || signature == kDarwinBlock ||
                                            signature == kPropertyStoreBlock || signature == kKnownFolderBlock;
                                   }),
                    extraBlocks.end());
  target = newTarget;
}

bool DecodeShellLink(const std::vector<std::uint8_t>& bytes, ShellLinkData& out) {
  ShellLinkData link;
  Reader reader(bytes, 0, bytes.size());
  if (!reader.Bytes(kHeaderSize, link.header)) return false;
  if (At32(link.header, 0) != kHeaderSize || !std::equal(std::begin(kLinkClsid), std::end(kLinkClsid),
                                                         link.header.begin() + 4))
    return false;
  std::uint32_t flags = At32(link.header, 0x14);
  reader = Reader(bytes, kHeaderSize, bytes.size());

  if (flags & kHasIdList) {
    std::uint16_t listSize = 0;
    if (!reader.U16(listSize) || !reader.Bytes(listSize, link.idList)) return false;
  }
  if ((flags & kHasLinkInfo) && !(flags & kForceNoLinkInfo)) {
    std::size_t start = reader.Pos();
    std::uint32_t infoSize = 0;
    if (!reader.U32(infoSize) || infoSize < 0x1C) return false;
    reader = Reader(bytes, start, bytes.size());
    if (!reader.Bytes(infoSize, link.linkInfo)) return false;
    link.target = TargetFromLinkInfo(link.linkInfo);
  } else if (flags & kHasLinkInfo) {
    // Present but to be ignored: skip it.
    std::size_t start = reader.Pos();
    std::uint32_t infoSize = 0;
    std::vector<std::uint8_t> ignored;
    if (!reader.U32(infoSize)) return false;
    reader = Reader(bytes, start, bytes.size());
    if (!reader.Bytes(infoSize, ignored)) return false;
  }
  bool unicode = (flags & kIsUnicode) != 0;
  for (int i = 0; i < 5; ++i) {
    if (!(flags & (kHasName << i))) continue;
    std::uint16_t count = 0;
    std::vector<std::uint8_t> raw;
    if (!reader.U16(count) || !reader.Bytes(unicode ? count * 2u : count, raw)) return false;
    std::u16string text;
    if (unicode) {
      for (std::size_t k = 0; k + 1 < raw.size(); k += 2) text += static_cast<char16_t>(raw[k] | (raw[k + 1] << 8));
    } else {
      text = AnsiToUtf16(SystemAnsiToUtf8(std::string(raw.begin(), raw.end())));
    }
    // Some writers count the terminating NUL as a character; a text ends at its first NUL.
    std::size_t end = text.find(u'\0');
    if (end != std::u16string::npos) text.resize(end);
    link.hasText[i] = true;
    link.text[i] = text;
  }
  // ExtraData runs to a block whose size is below 4; a file cut off inside
  // it still has its target and texts, so a short tail is tolerated.
  for (;;) {
    std::size_t start = reader.Pos();
    std::uint32_t blockSize = 0;
    if (!reader.U32(blockSize) || blockSize < 4) break;
    Reader blockReader(bytes, start, bytes.size());
    std::vector<std::uint8_t> block;
    if (blockSize < 8 || !blockReader.Bytes(blockSize, block)) break;
    reader = blockReader;
    if (link.target.empty() && At32(block, 4) == kEnvironmentVariableBlock)
      link.target = TargetFromEnvironmentBlock(block);
    link.extraBlocks.push_back(std::move(block));
  }
  if (link.target.empty() && !link.idList.empty()) link.target = TargetFromIdList(link.idList);
  out = std::move(link);
  return true;
}

std::vector<std::uint8_t> EncodeShellLink(const ShellLinkData& link) {
  std::vector<std::uint8_t> bytes = link.header;
  bytes.resize(kHeaderSize, 0);
  std::uint32_t flags = At32(bytes, 0x14);
  flags &= ~(kHasIdList | kHasLinkInfo | kIsUnicode | kForceNoLinkInfo | kHasExpString | kHasDarwinId);
  for (int i = 0; i < 5; ++i) flags &= ~(kHasName << i);

  std::vector<std::uint8_t> info = link.linkInfo;
  if (info.empty() && !link.target.empty()) info = LocalLinkInfo(link.target);

  std::vector<std::uint8_t> body;
  if (!link.idList.empty()) {
    flags |= kHasIdList;
    Put16(body, static_cast<std::uint32_t>(link.idList.size()));
    body.insert(body.end(), link.idList.begin(), link.idList.end());
  }
  if (!info.empty()) {
    flags |= kHasLinkInfo;
    body.insert(body.end(), info.begin(), info.end());
  }
  flags |= kIsUnicode;
  for (int i = 0; i < 5; ++i) {
    if (!link.hasText[i]) continue;
    flags |= kHasName << i;
    std::u16string text = link.text[i].substr(0, 0xFFFF);
    Put16(body, static_cast<std::uint32_t>(text.size()));
    for (char16_t c : text) Put16(body, c);
  }
  for (const auto& block : link.extraBlocks) {
    std::uint32_t signature = At32(block, 4);
    if (signature == kEnvironmentVariableBlock) flags |= kHasExpString;
    if (signature == kDarwinBlock) flags |= kHasDarwinId;
    body.insert(body.end(), block.begin(), block.end());
  }
  Put32(body, 0);  // TerminalBlock
  Set32(bytes, 0x14, flags);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

long PortableShellLink::Clear() {
  link_ = ShellLinkData::Empty();
  return kLinkOk;
}

long PortableShellLink::Load(const std::string& file) {
  IFileSystem* files = Current<IFileSystem>();
  if (!files || file.empty() || file.size() > kLinkTextLimit) return kLinkInvalidArg;
  std::vector<std::uint8_t> bytes;
  if (files->ReadAll(file, bytes) != FsResult::Ok) return kLinkFail;
  ShellLinkData loaded;
  if (!DecodeShellLink(bytes, loaded)) return kLinkFail;
  link_ = std::move(loaded);
  return kLinkOk;
}

long PortableShellLink::Save(const std::string& file) {
  IFileSystem* files = Current<IFileSystem>();
  if (!files || file.empty() || file.size() > kLinkTextLimit) return kLinkInvalidArg;
  return files->WriteAll(file, EncodeShellLink(link_)) == FsResult::Ok ? kLinkOk : kLinkFail;
}

long PortableShellLink::SetPath(const std::string& target) {
  if (target.size() > kLinkTextLimit) return kLinkInvalidArg;
  // Setting the same target again keeps what the link knows about it.
  if (!EqualsNoCase(target, link_.target) || (link_.linkInfo.empty() && link_.idList.empty()))
    link_.ChangeTarget(target);
  return kLinkOk;
}

long PortableShellLink::GetPath(std::string* target) {
  if (!target) return kLinkInvalidArg;
  *target = link_.target.substr(0, kLinkTextLimit);
  return kLinkOk;
}

long PortableShellLink::SetArguments(const std::string& arguments) {
  link_.hasText[ShellLinkData::kArguments] = !arguments.empty();
  link_.text[ShellLinkData::kArguments] = AnsiToUtf16(arguments);
  return kLinkOk;
}

long PortableShellLink::GetArguments(std::string* arguments) {
  if (!arguments) return kLinkInvalidArg;
  *arguments = Utf16ToAnsi(link_.text[ShellLinkData::kArguments]).substr(0, kLinkTextLimit);
  return kLinkOk;
}

}  // namespace qm::platform

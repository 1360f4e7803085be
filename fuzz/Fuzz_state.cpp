// qmctl's JSON reader, which reads the desired-state files fleet tools hand
// it: any bytes, no crash; every text it reads is UTF-8 and comes back whole
// through the writer.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "admin/core/Json.h"
#include "platform/Text.h"

namespace {

void Check(const qm::admin::JsonValue& value) {
  using Type = qm::admin::JsonValue::Type;
  auto same = [](const std::string& text) {
    qm::admin::JsonValue back;
    std::string error;
    if (qm::platform::ValidUtf8(text) != text || !qm::admin::ParseJson(qm::admin::Json(text), &back, &error) ||
        back.type != Type::String || back.text != text)
      std::abort();
  };
  if (value.type == Type::String) same(value.text);
  for (const qm::admin::JsonMember& member : value.members) {
    same(member.name);
    Check(member.value);
  }
  for (const auto& item : value.items) Check(item);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::admin::JsonValue value;
  std::string error;
  if (qm::admin::ParseJson(std::string(reinterpret_cast<const char*>(data), size), &value, &error)) Check(value);
  return 0;
}

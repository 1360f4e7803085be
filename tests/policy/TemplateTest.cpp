// The administrative template: both files well-formed XML, every string and
// presentation the ADMX names defined in the ADML, and the registry values its
// policies write exactly those the program reads (engine/policy/PolicyNames.h).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "engine/policy/PolicyNames.h"

namespace qm::test {
namespace {

struct Element {
  std::string name, text;
  std::map<std::string, std::string> attributes;
  int parent = -1;
};

// A strict reader of the XML these files use: declaration, comments,
// elements, attributes, text and the five entities plus character references.
bool ReadXml(const std::string& xml, std::vector<Element>* elements, std::string* error) {
  std::size_t at = xml.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::vector<int> open;
  bool rootDone = false;
  const std::regex name("[A-Za-z_][-A-Za-z0-9_.:]*"), entity("&(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9A-Fa-f]+);");
  auto fail = [&](const std::string& why) { return *error = why + " at byte " + std::to_string(at), false; };
  auto goodText = [&](const std::string& text) {
    return std::regex_replace(text, entity, "").find_first_of("&<") == std::string::npos;
  };
  if (xml.compare(at, 5, "<?xml") == 0) at = xml.find("?>", at) + 2;
  while (at < xml.size()) {
    const std::size_t lt = xml.find('<', at);
    const std::string text = xml.substr(at, lt == std::string::npos ? std::string::npos : lt - at);
    if (!goodText(text)) return fail("a bare & in text");
    if (open.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos) return fail("text outside the root");
    if (!open.empty()) (*elements)[open.back()].text += text;
    if (lt == std::string::npos) break;
    at = lt;
    if (xml.compare(at, 4, "<!--") == 0) {
      const std::size_t end = xml.find("-->", at);
      if (end == std::string::npos) return fail("an open comment");
      at = end + 3;
      continue;
    }
    const std::size_t gt = xml.find('>', at);
    if (gt == std::string::npos) return fail("an open tag");
    std::string tag = xml.substr(at + 1, gt - at - 1);
    at = gt + 1;
    if (tag.size() > 1 && tag[0] == '/') {
      if (open.empty() || (*elements)[open.back()].name != tag.substr(1)) return fail("a closing tag out of place");
      open.pop_back();
      rootDone = open.empty();
      continue;
    }
    const bool empty = !tag.empty() && tag.back() == '/';
    if (empty) tag.pop_back();
    std::smatch part;
    if (!std::regex_search(tag, part, name) || part.position(0) != 0) return fail("a tag without a name");
    if (rootDone || (open.empty() && !elements->empty())) return fail("a second root");
    Element element{part.str(0), "", {}, open.empty() ? -1 : open.back()};
    std::string rest = part.suffix();
    const std::regex attribute("^\\s+([A-Za-z_][-A-Za-z0-9_.:]*)\\s*=\\s*(\"[^\"<]*\"|'[^'<]*')");
    while (std::regex_search(rest, part, attribute)) {
      const std::string value = part.str(2).substr(1, part.str(2).size() - 2);
      if (!goodText(value) || !element.attributes.emplace(part.str(1), value).second) return fail("a bad attribute");
      rest = part.suffix();
    }
    if (rest.find_first_not_of(" \t\r\n") != std::string::npos) return fail("a malformed tag");
    elements->push_back(element);
    if (!empty) open.push_back(static_cast<int>(elements->size()) - 1);
    rootDone = empty && open.empty();
  }
  if (!open.empty() || elements->empty()) return fail("an unclosed element");
  return true;
}

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The referenced id of "$(string.X)" or "$(presentation.X)"; empty for other texts.
std::string Reference(const std::string& value, const std::string& table) {
  const std::string head = "$(" + table + ".";
  return value.rfind(head, 0) == 0 && value.back() == ')' ? value.substr(head.size(), value.size() - head.size() - 1) : "";
}

TEST(AdministrativeTemplate, NamesWhatTheProgramReadsAndDefinesWhatItNames) {
  std::vector<Element> admx, adml;
  std::string error;
  ASSERT_TRUE(ReadXml(FileText(QM_TEMPLATE_DIR "/Quillmoor.admx"), &admx, &error)) << "Quillmoor.admx: " << error;
  ASSERT_TRUE(ReadXml(FileText(QM_TEMPLATE_DIR "/en-US/Quillmoor.adml"), &adml, &error)) << "Quillmoor.adml: " << error;
  std::map<std::string, std::string> strings;
  std::map<std::string, std::set<std::string>> presentations;  // id: the element ids its controls refer to
  for (const Element& element : adml) {
    if (element.name == "string") strings[element.attributes.at("id")] = element.text;
    if (element.name == "presentation") presentations[element.attributes.at("id")];
    if (element.attributes.count("refId")) presentations[adml[element.parent].attributes.at("id")].insert(element.attributes.at("refId"));
  }
  // Every reference is defined; every policy writes values, named after the policy the program knows them by.
  std::set<std::pair<std::string, std::string>> written;  // key and value name; "" for a list
  std::map<int, std::set<std::string>> elementIds;         // policy: the ids of its elements
  for (std::size_t i = 0; i < admx.size(); ++i) {
    const Element& element = admx[i];
    for (const auto& [attribute, value] : element.attributes) {
      if (!Reference(value, "string").empty()) EXPECT_TRUE(strings.count(Reference(value, "string"))) << value;
      if (!Reference(value, "presentation").empty()) EXPECT_TRUE(presentations.count(Reference(value, "presentation"))) << value;
    }
    int policy = static_cast<int>(i);
    while (policy >= 0 && admx[policy].name != "policy") policy = admx[policy].parent;
    if (policy < 0) continue;
    const Element& owner = admx[policy];
    if (element.attributes.count("id")) elementIds[policy].insert(element.attributes.at("id"));
    std::pair<std::string, std::string> value;
    if (element.name == "list") value = {element.attributes.at("key"), ""};
    else if (element.attributes.count("valueName"))
      value = {element.attributes.count("key") ? element.attributes.at("key") : owner.attributes.at("key"), element.attributes.at("valueName")};
    else continue;
    written.insert(value);
    EXPECT_EQ("Both", owner.attributes.at("class")) << owner.attributes.at("name");
    const std::string shown = strings[Reference(owner.attributes.at("displayName"), "string")];
    bool known = false;
    for (const policy::PolicyValue* read : policy::kPolicyValues)
      if (value == std::pair<std::string, std::string>{read->key, read->valueName ? read->valueName : ""}) {
        known = true;
        EXPECT_EQ(read->name, shown) << "the policy the program knows as \"" << read->name << "\"";
      }
    EXPECT_TRUE(known) << value.first << " " << value.second << ": written by the template, never read";
  }
  // A presentation's controls show the elements of the policy that shows it.
  for (std::size_t i = 0; i < admx.size(); ++i)
    if (admx[i].name == "policy" && admx[i].attributes.count("presentation"))
      for (const std::string& refId : presentations[Reference(admx[i].attributes.at("presentation"), "presentation")])
        EXPECT_TRUE(elementIds[static_cast<int>(i)].count(refId)) << refId;
  for (const policy::PolicyValue* read : policy::kPolicyValues)
    EXPECT_TRUE(written.count({read->key, read->valueName ? read->valueName : ""})) << read->name << ": read, never set by the template";
}

// The reader is strict: damaged files are caught, not passed.
TEST(AdministrativeTemplate, TheReaderRefusesWhatIsNoXml) {
  std::vector<Element> elements;
  std::string error;
  for (const char* bad : {"", "<a>", "<a></b>", "<a/><b/>", "<a x=\"1\" x=\"2\"/>", "<a x=1/>", "<a>&nbsp;</a>",
                          "<a>x</a>y", "<!-- <a/>", "<a><b></a></b>"}) {
    elements.clear();
    EXPECT_FALSE(ReadXml(bad, &elements, &error)) << bad;
  }
  elements.clear();
  EXPECT_TRUE(ReadXml("<?xml version=\"1.0\"?><a x='&amp;'><!-- c --><b>&#65;</b></a>", &elements, &error)) << error;
}

}  // namespace
}  // namespace qm::test

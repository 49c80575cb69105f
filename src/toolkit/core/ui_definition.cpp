#include "toolkit/core/ui_definition.h"

#include <pugixml.hpp>

#include "toolkit/core/text_util.h"

namespace toolkit {
namespace {

struct XmlLoad {
  pugi::xml_document document;
  UiDefinitionResult result;
};

// Parses the resource `name` into `load->document`.
bool LoadXml(const ResourceProvider& provider, std::string_view name, XmlLoad* load) {
  const std::optional<ResourceBytes> bytes = provider.Load(name);
  if (!bytes) {
    load->result = {UiDefinitionError::kMissingResource, std::string(name)};
    return false;
  }
  const pugi::xml_parse_result parsed = load->document.load_buffer(
      bytes->data(), bytes->size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) {
    load->result = {UiDefinitionError::kBadXml, std::string(name) + ": " + parsed.description() +
                                                    " at offset " + std::to_string(parsed.offset)};
    return false;
  }
  return true;
}

Insets ParseMargins(std::string_view text) {
  std::vector<int> values;
  for (std::string_view piece : SplitText(text, ',', true)) {
    values.push_back(ReadIntPrefix(piece).value_or(0));
  }
  if (values.size() == 1) return {values[0], values[0], values[0], values[0]};
  if (values.size() == 2) return {values[0], values[1], values[0], values[1]};
  if (values.size() == 4) return {values[0], values[1], values[2], values[3]};
  return {};
}

}  // namespace

const AttributeList* UiDefinition::FindStyle(std::string_view name) const {
  const auto found = styles.find(name);
  return found == styles.end() ? nullptr : &found->second;
}

UiDefinitionResult LoadUiDefinition(const ResourceProvider& provider, std::string_view name,
                                    const IImageSource& images, UiDefinition* definition) {
  XmlLoad root;
  if (!LoadXml(provider, name, &root)) return root.result;
  const pugi::xml_node uidef = root.document.child("UIDEF");
  if (!uidef) return {UiDefinitionError::kBadXml, std::string(name) + ": no UIDEF element"};

  UiDefinition loaded;
  loaded.defaultFont.face = "宋体";
  loaded.defaultFont.style.SetHeight(15);
  if (const pugi::xml_node font = uidef.child("font")) {
    if (const pugi::xml_attribute face = font.attribute("face")) {
      loaded.defaultFont.face = face.value();
    }
    if (const pugi::xml_attribute size = font.attribute("size")) {
      loaded.defaultFont.style.SetHeight(ReadIntPrefix(size.value()).value_or(15));
    }
    loaded.defaultFont.name = font.attribute("name").value();
  }

  // Each table is its own resource, named by the element's src; its entries are its child
  // elements.
  for (const char* table : {"string", "color", "skin"}) {
    const pugi::xml_node reference = uidef.child(table);
    if (!reference) continue;
    XmlLoad values;
    if (!LoadXml(provider, reference.attribute("src").value(), &values)) return values.result;
    for (const pugi::xml_node entry : values.document.document_element().children()) {
      if (entry.type() != pugi::node_element) continue;
      const std::string_view table_name = table;
      if (table_name == "string") {
        loaded.strings.Add(entry.name(), entry.attribute("value").value());
      } else if (table_name == "color") {
        loaded.colours.Add(entry.name(), entry.attribute("value").value());
      } else {
        const std::string_view kind = entry.name();
        if (kind != "imglist" && kind != "imgframe") continue;  // skin kinds we do not draw
        const std::string image = entry.attribute("src").value();
        loaded.skins.Add(Skin(kind == "imgframe" ? SkinKind::kImageFrame : SkinKind::kImageList,
                              entry.attribute("name").value(), image,
                              ReadIntPrefix(entry.attribute("states").value()).value_or(1),
                              ParseMargins(entry.attribute("margin").value()),
                              images.GetImageSize(image)));
      }
    }
  }

  for (const pugi::xml_node style : uidef.child("style").children("class")) {
    AttributeList attributes;
    for (const pugi::xml_attribute attribute : style.attributes()) {
      if (std::string_view(attribute.name()) == "name") continue;
      attributes.emplace_back(attribute.name(), attribute.value());
    }
    loaded.styles.insert_or_assign(style.attribute("name").value(), std::move(attributes));
  }

  *definition = std::move(loaded);
  return {};
}

}  // namespace toolkit

#include "host_descriptions.h"

#include <array>
#include <map>
#include <string>
#include <utility>

namespace ombrel::host {
namespace {

constexpr std::array<HostSymbol, 6> kHostSymbols{{
    {"ID_BASELIST_NAME", kIdBaseListName, "Name"},
    {"ID_SHADER_TYPE", kIdShaderType, "Type"},
    {"ID_SHADERPROPERTIES", kIdShaderProperties, "Shader Properties"},
    {"MDATA_MAINGROUP", kIdToolMainGroup, "Options"},
    {"MDATA_RESETVALUES", kIdToolResetValues, "Reset Values"},
    {"ID_MATERIAL_PREVIEW", kIdMaterialPreview, "Preview"},
}};

DescElement HostElement(std::string_view origin, std::string kind, std::string_view symbol,
                        bool animOff = false, int32_t customType = 0) {
  const HostSymbol* host = FindHostSymbol(symbol);
  DescElement element;
  element.kind = std::move(kind);
  element.id = host->id;
  element.symbol = std::string(symbol);
  element.label = std::string(host->label);
  element.animOff = animOff;
  element.customType = customType;
  element.origin = std::string(origin);
  return element;
}

const std::map<std::string, std::vector<DescElement>, std::less<>>& HostDescriptions() {
  static const std::map<std::string, std::vector<DescElement>, std::less<>> table = {
      // How the material editor previews a shader.
      {"Mpreview",
       {HostElement("Mpreview", "MATPREVIEW", "ID_MATERIAL_PREVIEW", true,
                    kCustomTypeMaterialPreview)}},
      // What every shader node carries: its name and its plug-in type.
      {"Xbase",
       {HostElement("Xbase", "STRING", "ID_BASELIST_NAME"),
        HostElement("Xbase", "LONG", "ID_SHADER_TYPE", true)}},
      // What every description tool offers: putting its settings back.
      {"ToolBase", {HostElement("ToolBase", "BUTTON", "MDATA_RESETVALUES")}},
  };
  return table;
}

}  // namespace

const HostSymbol* FindHostSymbol(std::string_view name) {
  for (const HostSymbol& symbol : kHostSymbols) {
    if (symbol.name == name) return &symbol;
  }
  return nullptr;
}

const std::vector<DescElement>* FindHostDescription(std::string_view name) {
  const auto& table = HostDescriptions();
  const auto it = table.find(name);
  return it == table.end() ? nullptr : &it->second;
}

}  // namespace ombrel::host

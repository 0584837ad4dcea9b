// The shipped res folder, read the way the host reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "../../host/resources/host_descriptions.h"
#include "../../host/resources/module_resources.h"
#include "../../host/resources/resource_lexer.h"

#ifndef OMBREL_SOURCE_DIR
#define OMBREL_SOURCE_DIR "."
#endif

namespace ombrel::host {
namespace {

namespace fs = std::filesystem;

const fs::path kResDir = fs::path(OMBREL_SOURCE_DIR) / "res";

class ShippedResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ResourceError err;
    loaded_ = res_.Load(kResDir, err);
    error_ = err.ToString();
  }
  void SetUp() override { ASSERT_TRUE(loaded_) << error_; }

  const Description& Desc(const char* name) {
    const Description* d = res_.FindDescription(name);
    EXPECT_NE(d, nullptr) << name;
    static const Description empty;
    return d ? *d : empty;
  }

  static inline ModuleResources res_;
  static inline bool loaded_ = false;
  static inline std::string error_;
};

TEST_F(ShippedResources, ModuleStringsCoverEveryIdTheModuleLoads) {
  const std::vector<std::string> names = res_.DescriptionNames();
  EXPECT_EQ(names, (std::vector<std::string>{"Xtavrel_tiles", "Xtransform", "tool_uv_transform",
                                             "xglent_color", "xkestle_cut"}));
  ASSERT_NE(res_.FindString(10000), nullptr);
  EXPECT_EQ(*res_.FindString(10000), "Ombrel Shaders");
  for (int32_t id : {1200, 9000, 10001, 10002, 10003, 10004, 10005}) {
    const std::string* text = res_.FindString(id);
    ASSERT_NE(text, nullptr) << id;
    EXPECT_FALSE(text->empty()) << id;
  }
}

// The stored parameter IDs and their types are fixed by the scenes that
// hold them; this table is the one place that pins them.
struct Param {
  const char* desc;
  int32_t id;
  const char* symbol;
  const char* kind;
};

const Param kParams[] = {
    {"xglent_color", 1000, "GLENTCOLOR_TEXTURE", "SHADERLINK"},
    {"xglent_color", 1001, "GLENTCOLOR_SEED", "LONG"},
    {"xglent_color", 1002, "GLENTCOLOR_HUE", "REAL"},
    {"xglent_color", 1003, "GLENTCOLOR_SATURATION", "REAL"},
    {"xglent_color", 1004, "GLENTCOLOR_LIGHTNESS", "REAL"},
    {"xglent_color", 1005, "GLENTCOLOR_GRADIENT", "GRADIENT"},
    {"xglent_color", 1006, "GLENTCOLOR_GRADIENT_MIX", "REAL"},
    {"xglent_color", 1007, "GLENTCOLOR_GAMMA", "REAL"},
    {"xglent_color", 1008, "GLENTCOLOR_DIRECTION", "LONG"},
    {"xglent_color", 1010, "GLENTCOLOR_COLOR", "COLOR"},
    {"xglent_color", 1011, "GLENTCOLOR_STRENGTH", "REAL"},
    {"xglent_color", 1012, "GLENTCOLOR_STRENGTH_SHADER", "SHADERLINK"},
    {"xglent_color", 1013, "GLENTCOLOR_GRADIENT_OFFSET", "REAL"},
    {"xglent_color", 1014, "GLENTCOLOR_PER_POLYGON", "BOOL"},
    {"xglent_color", 1015, "GLENTCOLOR_POLYGON_GROUP", "LONG"},

    {"Xtavrel_tiles", 1081, "TAVRELTILES_JOINT_WIDTH", "REAL"},
    {"Xtavrel_tiles", 1082, "TAVRELTILES_JOINT_NOISE_SCALE", "REAL"},
    {"Xtavrel_tiles", 1083, "TAVRELTILES_FIT_TEXTURE_INSIDE_JOINTS", "BOOL"},
    {"Xtavrel_tiles", 1084, "TAVRELTILES_JOINT_GRADIENT", "GRADIENT"},
    {"Xtavrel_tiles", 1085, "TAVRELTILES_JOINT_BIAS", "VECTOR"},
    {"Xtavrel_tiles", 1086, "TAVRELTILES_JOINT_RATIO", "REAL"},
    {"Xtavrel_tiles", 1087, "TAVRELTILES_RAW_JOINT_WEIGHT", "BOOL"},
    {"Xtavrel_tiles", 1092, "TAVRELTILES_TILE_ROTATION", "REAL"},
    {"Xtavrel_tiles", 1094, "TAVRELTILES_SATURATION_VARIATION", "REAL"},
    {"Xtavrel_tiles", 1095, "TAVRELTILES_GAMMA_VARIATION", "REAL"},
    {"Xtavrel_tiles", 1096, "TAVRELTILES_BRIGHTNESS_VARIATION", "REAL"},
    {"Xtavrel_tiles", 1100, "TAVRELTILES_TEXTURE", "SHADERLINK"},
    {"Xtavrel_tiles", 1101, "TAVRELTILES_SEED", "LONG"},
    {"Xtavrel_tiles", 1102, "TAVRELTILES_RANDOM_FLIP_U", "BOOL"},
    {"Xtavrel_tiles", 1103, "TAVRELTILES_RANDOM_FLIP_V", "BOOL"},
    {"Xtavrel_tiles", 1104, "TAVRELTILES_RANDOM_ROTATE", "BOOL"},
    {"Xtavrel_tiles", 1105, "TAVRELTILES_CHECKER_ROTATE", "BOOL"},
    {"Xtavrel_tiles", 1130, "TAVRELTILES_MODE", "LONG"},
    {"Xtavrel_tiles", 1131, "TAVRELTILES_POLYGON_GROUP", "LONG"},
    {"Xtavrel_tiles", 1161, "TAVRELTILES_ROW_OFFSET", "REAL"},
    {"Xtavrel_tiles", 1162, "TAVRELTILES_ROW_OFFSET_VARIATION", "REAL"},
    {"Xtavrel_tiles", 1163, "TAVRELTILES_ROW_DRIFT", "REAL"},
    {"Xtavrel_tiles", 1164, "TAVRELTILES_ROW_DRIFT_VARIATION", "REAL"},
    {"Xtavrel_tiles", 1165, "TAVRELTILES_STRETCH_TEXTURE", "BOOL"},
    {"Xtavrel_tiles", 1166, "TAVRELTILES_COLUMNS", "LONG"},
    {"Xtavrel_tiles", 1167, "TAVRELTILES_ROWS", "LONG"},
    {"Xtavrel_tiles", 1198, "TAVRELTILES_TEXTURE_ROTATION", "LONG"},
    {"Xtavrel_tiles", 1199, "TAVRELTILES_TILE_ASPECT", "REAL"},
    {"Xtavrel_tiles", 1200, "TAVRELTILES_ADD_TEXTURE", "BUTTON"},
    {"Xtavrel_tiles", 1201, "TAVRELTILES_REMOVE_TEXTURE", "BUTTON"},
    {"Xtavrel_tiles", 1202, "TAVRELTILES_LOAD_FOLDER", "BUTTON"},
    {"Xtavrel_tiles", 1220, "TAVRELTILES_TEXTURE_COUNT", "LONG"},
    {"Xtavrel_tiles", 1300, "TAVRELTILES_TEXTURE_GROUP", "GROUP"},

    {"xkestle_cut", 1000, "KESTLECUT_TEXTURE", "SHADERLINK"},
    {"xkestle_cut", 1001, "KESTLECUT_CENTER_SHADER", "SHADERLINK"},
    {"xkestle_cut", 1002, "KESTLECUT_OVERLAY", "SHADERLINK"},
    {"xkestle_cut", 1004, "KESTLECUT_IMAGE_WIDTH", "LONG"},
    {"xkestle_cut", 1005, "KESTLECUT_IMAGE_HEIGHT", "LONG"},
    {"xkestle_cut", 1007, "KESTLECUT_CELL_WIDTH", "LONG"},
    {"xkestle_cut", 1008, "KESTLECUT_CELL_HEIGHT", "LONG"},
    {"xkestle_cut", 1010, "KESTLECUT_OFFSET_X", "LONG"},
    {"xkestle_cut", 1011, "KESTLECUT_OFFSET_Y", "LONG"},

    {"Xtransform", 1100, "XTRANSFORM_SHADER", "SHADERLINK"},
    {"Xtransform", 1101, "XTRANSFORM_EDIT_IN_TOOL", "BUTTON"},
    {"Xtransform", 1102, "XTRANSFORM_RESET_CORNERS", "BUTTON"},
    {"Xtransform", 1103, "XTRANSFORM_CORNER1", "VECTOR"},
    {"Xtransform", 1104, "XTRANSFORM_CORNER2", "VECTOR"},
    {"Xtransform", 1105, "XTRANSFORM_CORNER3", "VECTOR"},
    {"Xtransform", 1106, "XTRANSFORM_CORNER4", "VECTOR"},
    {"Xtransform", 1107, "XTRANSFORM_ROTATION", "REAL"},
    {"Xtransform", 1108, "XTRANSFORM_BULGE", "REAL"},
    {"Xtransform", 1109, "XTRANSFORM_WAVE", "REAL"},
    {"Xtransform", 1110, "XTRANSFORM_BIAS_U", "REAL"},
    {"Xtransform", 1111, "XTRANSFORM_BIAS_V", "REAL"},
    {"Xtransform", 1113, "XTRANSFORM_CREATE_PREVIEW", "BUTTON"},
    {"Xtransform", 1114, "XTRANSFORM_PREVIEW_OBJECT", "LINK"},
    {"Xtransform", 1116, "XTRANSFORM_DUPLICATE_MATERIAL", "BUTTON"},
    {"Xtransform", 1117, "XTRANSFORM_SAVE_IMAGE", "BUTTON"},
    {"Xtransform", 1119, "XTRANSFORM_BIAS_U_PHASE", "REAL"},
    {"Xtransform", 1120, "XTRANSFORM_BIAS_V_PHASE", "REAL"},
    {"Xtransform", 1121, "XTRANSFORM_RESET_EFFECTS", "BUTTON"},
    {"Xtransform", 1200, "XTRANSFORM_PLACE_IN_QUAD", "LONG"},

    {"tool_uv_transform", 1001, "TOOL_UV_TRANSFORM_SHADER", "LINK"},
    {"tool_uv_transform", 1002, "TOOL_UV_TRANSFORM_VIEW", "LINK"},
    {"tool_uv_transform", 1004, "TOOL_UV_TRANSFORM_GUIDES", "BOOL"},
    {"tool_uv_transform", 1005, "TOOL_UV_TRANSFORM_HANDLES", "BOOL"},
    {"tool_uv_transform", 1006, "TOOL_UV_TRANSFORM_OFFSET", "REAL"},
    {"tool_uv_transform", 1007, "TOOL_UV_TRANSFORM_MAGNIFIER", "BOOL"},
};

TEST_F(ShippedResources, EveryStoredParameterHasItsIdKindAndLabel) {
  for (const Param& p : kParams) {
    SCOPED_TRACE(std::string(p.desc) + " " + p.symbol);
    const DescElement* e = Desc(p.desc).Find(p.id);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->symbol, p.symbol);
    EXPECT_EQ(e->kind, p.kind);
    EXPECT_TRUE(e->origin.empty());
    EXPECT_FALSE(e->label.empty());
  }
  // No element of the plug-ins' own goes unlabelled either (layout groups,
  // cycle items), and each description has a title.
  for (const std::string& name : res_.DescriptionNames()) {
    const Description& d = Desc(name.c_str());
    EXPECT_FALSE(d.title.empty()) << name;
    for (const DescElement& e : d.elements) {
      if (e.kind == "SEPARATOR" && e.id == 0) continue;
      EXPECT_FALSE(e.label.empty()) << name << " " << e.symbol;
      for (const auto& [item, label] : e.cycle) EXPECT_FALSE(label.empty()) << e.symbol << item;
    }
  }
  // The tile shader's run-time slots are numbered from this base.
  EXPECT_EQ(Desc("Xtavrel_tiles").symbols.at("TAVRELTILES_TEXTURE_SLOT"), 3100);
}

TEST_F(ShippedResources, HostPartsAreIncludedWhereTheHostExpectsThem) {
  for (const char* shader : {"xglent_color", "Xtavrel_tiles", "xkestle_cut", "Xtransform"}) {
    SCOPED_TRACE(shader);
    const Description& d = Desc(shader);
    EXPECT_EQ(d.includes, (std::vector<std::string>{"Mpreview", "Xbase"}));
    const DescElement* preview = d.Find(kIdMaterialPreview);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->origin, "Mpreview");
    EXPECT_EQ(preview->customType, kCustomTypeMaterialPreview);
    // Everything of the shader's own lives under the shader group.
    for (const DescElement& e : d.elements) {
      if (e.origin.empty() && e.id != kIdShaderProperties) {
        EXPECT_NE(e.parentGroup, 0) << e.symbol;
      }
    }
  }
  const Description& tool = Desc("tool_uv_transform");
  EXPECT_EQ(tool.includes, std::vector<std::string>{"ToolBase"});
  EXPECT_EQ(tool.Find(kIdMaterialPreview), nullptr);
  ASSERT_NE(tool.Find(1006), nullptr);
  EXPECT_EQ(tool.Find(1006)->parentGroup, kIdToolMainGroup);
}

TEST_F(ShippedResources, LimitsKeepTheShadersAwayFromBadInput) {
  // Cell sizes divide the atlas size; below 1 pixel the grid is meaningless.
  for (int32_t id : {1007, 1008}) {
    const DescElement* e = Desc("xkestle_cut").Find(id);
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(e->min.has_value());
    EXPECT_GE(*e->min, 1.0);
  }
  // Angles are stored in radians and shown in degrees.
  for (int32_t id : {1107, 1109, 1119, 1120}) {
    EXPECT_EQ(Desc("Xtransform").Find(id)->unit, "DEGREE") << id;
  }
  // The bias needs -1..1 stored, i.e. -100..100 %.
  for (int32_t id : {1110, 1111}) {
    const DescElement* e = Desc("Xtransform").Find(id);
    EXPECT_EQ(e->unit, "PERCENT");
    EXPECT_EQ(e->min, -100.0);
    EXPECT_EQ(e->max, 100.0);
  }
  // Seeds, modes and counts do not animate.
  const std::pair<const char*, int32_t> fixed[] = {
      {"xglent_color", 1001}, {"xglent_color", 1008}, {"xglent_color", 1015},
      {"Xtavrel_tiles", 1101}, {"Xtavrel_tiles", 1130}, {"Xtavrel_tiles", 1131},
      {"Xtavrel_tiles", 1166}, {"Xtavrel_tiles", 1167}, {"Xtavrel_tiles", 1198},
      {"Xtavrel_tiles", 1220}, {"Xtransform", 1200}};
  for (const auto& [desc, id] : fixed) EXPECT_TRUE(Desc(desc).Find(id)->animOff) << desc << id;
}

TEST_F(ShippedResources, ModeCyclesOfferEveryValueTheShadersRead) {
  auto ids = [&](const char* desc, int32_t id) {
    std::vector<int32_t> out;
    for (const auto& item : Desc(desc).Find(id)->cycle) out.push_back(item.first);
    return out;
  };
  EXPECT_EQ(ids("Xtavrel_tiles", 1130), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(ids("Xtavrel_tiles", 1198), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(ids("xglent_color", 1008), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(ids("Xtransform", 1200), (std::vector<int32_t>{0, 1}));
}

TEST_F(ShippedResources, SlotGroupHoldsOnlyTheFirstSlot) {
  // The shader appends its extra slots to this group, after what is there.
  for (const DescElement& e : Desc("Xtavrel_tiles").elements) {
    if (e.parentGroup == 1300) {
      EXPECT_EQ(e.id, 1100) << e.symbol;
    }
  }
}

// --- Folder-level failures, on a scratch copy of the shipped folder ---

class BrokenFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Unique per run, so that two test runs on one machine keep apart.
    dir_ = fs::temp_directory_path() /
           ("ombrel_res_" + std::string(info->name()) + "_" + std::to_string(std::random_device{}())) /
           "res";
    fs::remove_all(dir_.parent_path());
    fs::create_directories(dir_);
    fs::copy(kResDir, dir_, fs::copy_options::recursive);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_.parent_path(), ec);
  }
  void Write(const fs::path& rel, const std::string& text) {
    std::ofstream(dir_ / rel, std::ios::binary) << text;
  }
  ResourceError LoadExpectingFailure() {
    ModuleResources res;
    ResourceError err;
    EXPECT_FALSE(res.Load(dir_, err));
    EXPECT_TRUE(res.DescriptionNames().empty());
    EXPECT_EQ(res.FindString(10000), nullptr);
    return err;
  }
  fs::path dir_;
};

TEST_F(BrokenFolder, MissingFolderIsNamed) {
  ModuleResources res;
  ResourceError err;
  EXPECT_FALSE(res.Load(dir_ / "nowhere", err));
  EXPECT_NE(err.ToString().find("nowhere"), std::string::npos) << err.ToString();
  EXPECT_NE(err.message.find("does not exist"), std::string::npos);
}

TEST_F(BrokenFolder, MissingOrOversizedFilesAreNamed) {
  Write("strings_us/description/xkestle_cut.str", std::string(kMaxResourceFileBytes + 1, ' '));
  ResourceError err = LoadExpectingFailure();
  EXPECT_NE(err.ToString().find("xkestle_cut.str: file is larger than"), std::string::npos)
      << err.ToString();

  fs::remove(dir_ / "strings_us" / "description" / "xkestle_cut.str");
  err = LoadExpectingFailure();
  EXPECT_NE(err.file.find("strings_us/description/xkestle_cut.str"), std::string::npos)
      << err.ToString();

  fs::remove(dir_ / "description" / "Xtransform.h");
  err = LoadExpectingFailure();
  EXPECT_NE(err.file.find("description/Xtransform.h"), std::string::npos) << err.ToString();
}

TEST_F(BrokenFolder, ErrorsPointAtTheFileAndLine) {
  Write("description/xkestle_cut.res",
        "CONTAINER xkestle_cut\n{\n  NAME xkestle_cut;\n  LONG KESTLECUT_CELL_WIDTH { MIN 1 }\n}\n");
  ResourceError err = LoadExpectingFailure();
  EXPECT_EQ(err.ToString(), (dir_ / "description" / "xkestle_cut.res").generic_string() +
                                ":4: expected ';' after MIN value, found '}'");

  fs::copy_file(kResDir / "description" / "xkestle_cut.res", dir_ / "description" / "xkestle_cut.res",
                fs::copy_options::overwrite_existing);
  Write("strings_us/c4d_strings.str", "STRINGTABLE\n{\n  IDS_TITLE \"x\";\n  IDS_NOPE \"y\";\n}\n");
  err = LoadExpectingFailure();
  EXPECT_EQ(err.line, 4);
  EXPECT_NE(err.message.find("IDS_NOPE"), std::string::npos);
}

TEST_F(BrokenFolder, ContainerMustMatchItsFileAndHeadersMustNotShadowTheHost) {
  fs::copy_file(kResDir / "description" / "xkestle_cut.res", dir_ / "description" / "xother.res");
  fs::copy_file(kResDir / "description" / "xkestle_cut.h", dir_ / "description" / "xother.h");
  Write("strings_us/description/xother.str", "STRINGTABLE xother { }\n");
  ResourceError err = LoadExpectingFailure();
  EXPECT_NE(err.message.find("does not match its file name"), std::string::npos) << err.ToString();

  fs::remove(dir_ / "description" / "xother.res");
  Write("description/xkestle_cut.h",
        "enum {\n KESTLECUT_TEXTURE = 1000,\n ID_SHADERPROPERTIES = 5\n};\n");
  err = LoadExpectingFailure();
  EXPECT_EQ(err.line, 3) << err.ToString();
  EXPECT_NE(err.message.find("host symbol"), std::string::npos);
}

}  // namespace
}  // namespace ombrel::host

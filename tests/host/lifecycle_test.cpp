// The module's lifecycle as the host drives it, through the real loader and the real module.
#include <filesystem>
#include <fstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "core/families.h"
#include "core/scene.h"
#include "module_fixture.h"

namespace ombrel::test {
namespace {

using host::Host;
using host::LoadOptions;

TEST(Lifecycle, StartPrintsOneLineAndRegistersFivePluginsInFixedOrder) {
  Host h;
  HostModule* m = LoadModule(h);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(h.GetConsole().Lines().size(), 1u);
  EXPECT_EQ(h.GetConsole().Lines()[0], "Ombrel Shaders - Version 2 Installed");

  const std::vector<int32_t> expected{kTilesId, kColorId, kCutId, kTransformId, kToolId};
  EXPECT_EQ(RegisteredIds(h), expected);
  const auto& plugins = h.GetRegistry().Plugins();
  const char* names[] = {"Xtavrel_tiles", "xglent_color", "xkestle_cut", "Xtransform", "tool_uv_transform"};
  for (size_t i = 0; i < plugins.size(); ++i) {
    EXPECT_EQ(plugins[i]->descriptionName, names[i]);
    EXPECT_EQ(plugins[i]->pluginType, i < 4 ? HOST_PLUGINTYPE_SHADER : HOST_PLUGINTYPE_TOOL);
    EXPECT_NE(plugins[i]->description, nullptr) << names[i];
    EXPECT_FALSE(plugins[i]->name.empty());
  }
  EXPECT_EQ(plugins[4]->info, 0x10000000);
  EXPECT_EQ(plugins[4]->help, plugins[4]->name);
  const host::LedgerSnapshot left = h.Unload(m);
  EXPECT_EQ(left.liveBlocks, 0);
  EXPECT_EQ(left.liveHandles, 0);
}

TEST(Lifecycle, NestedInitAndEndOnlyCountUntilTheOutermost) {
  Host h;
  HostModule* m = OpenModule(h);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(h.Init(m), 1);
  EXPECT_EQ(h.Init(m), 1);
  EXPECT_EQ(h.Message(m, 1), 1);
  EXPECT_EQ(h.Start(m), 1);
  h.ReleasePlugins(m);

  // The inner end keeps everything: the module path, the resource and the shader-tool link.
  EXPECT_EQ(h.End(m), 1);
  EXPECT_GT(m->ledger.Snapshot().liveBlocks, 0);
  EXPECT_GT(m->ledger.Snapshot().liveHandles, 0);
  // The outer end releases it all.
  EXPECT_EQ(h.End(m), 1);
  EXPECT_EQ(m->ledger.Snapshot().liveBlocks, 0) << ::testing::PrintToString(m->ledger.LiveBlocks());
  EXPECT_EQ(m->ledger.Snapshot().liveHandles, 0);
  h.Close(m);
}

TEST(Lifecycle, InterfaceVersionAndPathAreChecked) {
  struct Case {
    int32_t version;
    bool path;
    int32_t expected;
  };
  for (const Case c : {Case{12999, true, -3}, Case{13000, true, 1}, Case{13000, false, -3}, Case{14000, true, 1}}) {
    Host h;
    LoadOptions options;
    options.interfaceVersion = c.version;
    options.passModulePath = c.path;
    HostModule* m = OpenModule(h, options);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(h.Init(m), c.expected) << "version " << c.version << " path " << c.path;
    EXPECT_EQ(h.End(m), 1);
    EXPECT_EQ(m->ledger.Snapshot().liveBlocks, 0);
    h.Close(m);
  }
}

TEST(Lifecycle, RefusedHostStaysRefusedForNestedInits) {
  Host h;
  LoadOptions options;
  options.interfaceVersion = 12999;
  HostModule* m = OpenModule(h, options);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(h.Init(m), -3);
  // A second init must not report success for a host the module cannot use.
  EXPECT_EQ(h.Init(m), -3);
  EXPECT_EQ(h.End(m), 1);
  EXPECT_EQ(h.End(m), 1);
  // After the last end a proper host is accepted again.
  m->api.version = 13000;
  EXPECT_EQ(h.Init(m), 1);
  EXPECT_EQ(h.End(m), 1);
  h.Close(m);
}

// A module that is started, sent messages or ended without an accepted host must neither crash
// nor keep anything that spoils a later, proper init.
TEST(Lifecycle, StartWithoutAcceptedHostRegistersNothingAndLaterInitStartsAfresh) {
  enum class Refusal { NoInit, OldVersion, NoPath, MissingFamily };
  for (const Refusal refusal : {Refusal::NoInit, Refusal::OldVersion, Refusal::NoPath, Refusal::MissingFamily}) {
    const int which = static_cast<int>(refusal);
    Host h;
    LoadOptions options;
    if (refusal == Refusal::OldVersion) options.interfaceVersion = 12999;
    if (refusal == Refusal::NoPath) options.passModulePath = false;
    HostModule* m = OpenModule(h, options);
    ASSERT_NE(m, nullptr);
    if (refusal == Refusal::MissingFamily) m->api.nodes = nullptr;
    if (refusal != Refusal::NoInit) {
      EXPECT_EQ(h.Init(m), -3) << which;
    }

    EXPECT_EQ(h.Message(m, 1), -1) << which;
    EXPECT_EQ(h.Start(m), -1) << which;
    EXPECT_TRUE(h.GetRegistry().Plugins().empty()) << which;
    EXPECT_TRUE(h.GetConsole().Lines().empty()) << which;
    EXPECT_EQ(m->ledger.Snapshot().totalAllocations, 0) << which;
    EXPECT_EQ(m->ledger.Snapshot().totalHandles, 0) << which;
    EXPECT_EQ(h.End(m), 1) << which;

    // A proper init now loads the resources and registers everything.
    m->api.version = HOST_API_VERSION;
    m->api.nodes = host::NodeFamily();
    m->options.passModulePath = true;
    EXPECT_EQ(h.Init(m), 1) << which;
    EXPECT_EQ(h.Message(m, 1), 1) << which;
    EXPECT_EQ(h.Start(m), 1) << which;
    EXPECT_EQ(h.GetRegistry().Plugins().size(), 5u) << which;
    const host::LedgerSnapshot left = h.Unload(m);
    EXPECT_EQ(left.liveBlocks, 0) << which;
    EXPECT_EQ(left.liveHandles, 0) << which;
  }
}

TEST(Lifecycle, FinalEndClearsAFailedResourceLoad) {
  Host h;
  LoadOptions options;
  options.resourceDir = std::filesystem::temp_directory_path() / "ombrel-no-such-res-folder";
  HostModule* m = OpenModule(h, options);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(h.Init(m), 1);
  EXPECT_EQ(h.Message(m, 1), -1);
  EXPECT_EQ(h.Message(m, 1), -1);  // the first result stands until the end
  EXPECT_EQ(h.End(m), 1);
  m->options.resourceDir.reset();
  EXPECT_EQ(h.Init(m), 1);
  EXPECT_EQ(h.Message(m, 1), 1);
  EXPECT_EQ(h.End(m), 1);
  EXPECT_EQ(m->ledger.Snapshot().liveHandles, 0);
  h.Close(m);
}

TEST(Lifecycle, EndWithoutInitDoesNotCountTowardsTheNextInit) {
  Host h;
  HostModule* m = OpenModule(h);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(h.End(m), 1);
  EXPECT_EQ(h.End(m), 1);
  EXPECT_EQ(h.Init(m), 1);
  EXPECT_EQ(h.Message(m, 1), 1);
  EXPECT_EQ(h.Start(m), 1);
  EXPECT_EQ(h.GetRegistry().Plugins().size(), 5u);
  const host::LedgerSnapshot left = h.Unload(m);
  EXPECT_EQ(left.liveBlocks, 0);
  EXPECT_EQ(left.liveHandles, 0);
}

TEST(Lifecycle, RepeatedStartKeepsOneShaderToolLink) {
  Host h;
  HostModule* m = LoadModule(h);
  ASSERT_NE(m, nullptr);
  const host::LedgerSnapshot first = m->ledger.Snapshot();
  // The plug-ins are registered already: the host refuses them again, and the tool instance
  // of the second start is handed back and destroyed.
  EXPECT_EQ(h.Start(m), 1);
  EXPECT_EQ(h.GetRegistry().Plugins().size(), 5u);
  EXPECT_EQ(h.GetConsole().Lines().size(), 2u);
  EXPECT_EQ(m->ledger.Snapshot().liveHandles, first.liveHandles);
  EXPECT_EQ(m->ledger.Snapshot().liveBlocks, first.liveBlocks);
  const host::LedgerSnapshot left = h.Unload(m);
  EXPECT_EQ(left.liveBlocks, 0) << ::testing::PrintToString(m->ledger.LiveBlocks());
  EXPECT_EQ(left.liveHandles, 0);
}

TEST(Lifecycle, PluginObjectsUsedAfterTheLastEndDoNothing) {
  Host h;
  HostModule* m = LoadModule(h);
  ASSERT_NE(m, nullptr);
  HostNode* doc = h.NewDocument("kept past the end");
  std::vector<HostNode*> shaders;
  // Shaders whose objects hold no host objects of their own: those could not be given back
  // after the end either, and the stand-in host reclaims only blocks.
  h.GetRegistry().DestroyToolInstances(m);
  for (const int32_t type : {kColorId, kCutId, kTransformId}) {
    shaders.push_back(host::InsertShader(doc, host::CreateShader(h.GetRegistry(), type), nullptr));
    ASSERT_NE(shaders.back(), nullptr) << type;
  }
  // A careless host ends the module while its documents still hold plug-in objects, then goes
  // on using them: the module can no longer reach the host, so each call answers "nothing done".
  EXPECT_EQ(h.End(m), 1);
  for (HostNode* shader : shaders) {
    HostInitRender irs{};
    irs.document = doc;
    EXPECT_NE(host::ShaderFamily()->initRender(shader, &irs), 0) << shader->type;
    HostChannelData cd{};
    cd.p = HostVector{0.5, 0.5, 0.0};
    const HostVector c = host::ShaderFamily()->sample(shader, &cd);
    EXPECT_EQ(c.x + c.y + c.z, 0.0) << shader->type;
    host::ShaderFamily()->freeRender(shader);
    EXPECT_EQ(host::ShaderFamily()->message(shader, 1, nullptr), HOST_FALSE) << shader->type;
  }
  // Destroying them now cannot give their memory back through the module: it stays on the
  // module's account, and the host takes it back when it closes the module.
  const int64_t blocksBefore = m->ledger.Snapshot().liveBlocks;
  h.ReleasePlugins(m);
  EXPECT_EQ(m->ledger.Snapshot().liveBlocks, blocksBefore);
  EXPECT_GT(blocksBefore, 0);
  h.Close(m);
}

TEST(Lifecycle, QueryAndMessagesAreAnswered) {
  Host h;
  HostModule* m = OpenModule(h);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(h.Call(m, HOST_ACTION_QUERY, nullptr, nullptr, nullptr), 5);
  EXPECT_EQ(h.Init(m), 1);
  EXPECT_EQ(h.Call(m, HOST_ACTION_QUERY, nullptr, nullptr, nullptr), 5);
  EXPECT_EQ(h.Call(m, 5, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(h.Call(m, 0, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(h.Message(m, 0), 1);
  EXPECT_EQ(h.Message(m, 1001), 1);
  EXPECT_EQ(h.Message(m, 2), -1);
  // Resources load once; a repeated message 1 answers the first result.
  EXPECT_EQ(h.Message(m, 1), 1);
  EXPECT_EQ(h.Message(m, 1), 1);
  EXPECT_EQ(h.End(m), 1);
  h.Close(m);
}

TEST(Lifecycle, MissingResourceFolderFailsMessageOneAndRegistersNothing) {
  Host h;
  LoadOptions options;
  options.resourceDir = std::filesystem::temp_directory_path() / "ombrel-no-such-res-folder";
  HostModule* m = OpenModule(h, options);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(h.Init(m), 1);
  EXPECT_EQ(h.Message(m, 1), -1);
  ASSERT_FALSE(h.Log().empty());
  EXPECT_NE(h.Log().back().find("ombrel-no-such-res-folder"), std::string::npos) << h.Log().back();
  EXPECT_EQ(h.Start(m), 1);
  // Without strings the title is empty; without descriptions no plug-in can register.
  ASSERT_EQ(h.GetConsole().Lines().size(), 1u);
  EXPECT_EQ(h.GetConsole().Lines()[0], " - Version 2 Installed");
  EXPECT_TRUE(h.GetRegistry().Plugins().empty());
  const host::LedgerSnapshot left = h.Unload(m);
  EXPECT_EQ(left.liveBlocks, 0);
  EXPECT_EQ(left.liveHandles, 0);
}

// A copy of the module's resources with one description taken out.
std::filesystem::path ResourcesWithout(const std::string& description) {
  const std::filesystem::path from = ModulePath().parent_path() / "res";
  const std::filesystem::path to = std::filesystem::temp_directory_path() / ("ombrel-res-without-" + description);
  std::filesystem::remove_all(to);
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
  std::filesystem::remove(to / "description" / (description + ".res"));
  std::filesystem::remove(to / "description" / (description + ".h"));
  std::filesystem::remove(to / "strings_us" / "description" / (description + ".str"));
  return to;
}

TEST(Lifecycle, FailedRegistrationLeavesTheOthersRegistered) {
  for (const std::string missing : {"xkestle_cut", "Xtavrel_tiles", "tool_uv_transform"}) {
    Host h;
    LoadOptions options;
    options.resourceDir = ResourcesWithout(missing);
    HostModule* m = LoadModule(h, options);
    ASSERT_NE(m, nullptr);
    std::vector<int32_t> expected{kTilesId, kColorId, kCutId, kTransformId, kToolId};
    const int32_t gone = missing == "xkestle_cut" ? kCutId : missing == "Xtavrel_tiles" ? kTilesId : kToolId;
    std::erase(expected, gone);
    EXPECT_EQ(RegisteredIds(h), expected) << missing;
    const host::LedgerSnapshot left = h.Unload(m);
    EXPECT_EQ(left.liveBlocks, 0) << missing;
    EXPECT_EQ(left.liveHandles, 0) << missing;
    std::filesystem::remove_all(*options.resourceDir);
  }
}

TEST(Lifecycle, ModulePathAllocationFailureIsNotReported) {
  Host h;
  HostModule* m = OpenModule(h);
  ASSERT_NE(m, nullptr);
  m->ledger.FailAllocation(1);
  EXPECT_EQ(h.Init(m), 1);
  // Without a path the module looks for its resources in an empty folder: they do not load.
  EXPECT_EQ(h.Message(m, 1), -1);
  EXPECT_EQ(h.End(m), 1);
  EXPECT_EQ(m->ledger.Snapshot().liveBlocks, 0);
  h.Close(m);
}

bool ModuleIsResident(const std::filesystem::path& file) {
#if defined(_WIN32)
  return GetModuleHandleW(file.filename().wstring().c_str()) != nullptr;
#else
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
#endif
}

TEST(Lifecycle, HundredLoadCyclesLeaveNothingBehind) {
  Host h;
  for (int i = 0; i < 100; ++i) {
    HostModule* m = LoadModule(h);
    ASSERT_NE(m, nullptr) << "cycle " << i;
    ASSERT_EQ(h.GetRegistry().Plugins().size(), 5u) << "cycle " << i;
    const host::LedgerSnapshot left = h.Unload(m);
    ASSERT_EQ(left.liveBlocks, 0) << "cycle " << i;
    ASSERT_EQ(left.liveHandles, 0) << "cycle " << i;
    ASSERT_TRUE(h.GetRegistry().Plugins().empty()) << "cycle " << i;
    ASSERT_FALSE(ModuleIsResident(ModulePath())) << "module still mapped after cycle " << i;
  }
  // One start line per start, and nothing else on the console.
  ASSERT_EQ(h.GetConsole().Lines().size(), 100u);
  for (const auto& line : h.GetConsole().Lines()) EXPECT_EQ(line, "Ombrel Shaders - Version 2 Installed");
}

}  // namespace
}  // namespace ombrel::test

// The tile shader's texture slots through the host's call path: the slots its interface shows,
// the add and remove buttons, removing one slot, and the folder import. Every edit is one undo
// step that gives back the very document it started from and redoes to the edited one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/builtin_shaders.h"
#include "core/document_dump.h"
#include "core/editing.h"
#include "core/live_description.h"
#include "core/undo.h"
#include "image/image_reader.h"
#include "image/image_writer.h"
#include "scenefile/scene_file.h"
#include "scenefile/scene_writer.h"
#include "shader_fixture.h"

namespace ombrel::test {
namespace {

enum : int32_t {
  kTexture = 1100, kAdd = 1200, kRemoveLast = 1201, kLoadFolder = 1202, kCount = 1220, kColumns = 1166, kRows = 1167,
  kSlotGroup = 1300, kSlot = 3100
};

class TextureSlotsTest : public ShaderFixture {
 protected:
  TextureSlotsTest() : ShaderFixture(kTilesId) {}

  void SetUp() override {
    ShaderFixture::SetUp();
    host::InstallImageReader();
    host_.GetDialogs().SetInteractive(false);
  }
  void TearDown() override {
    std::error_code ec;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
    ShaderFixture::TearDown();
  }

  std::string Dump() const { return host::DumpDocument(scene_.document); }
  host::UndoHistory& History() { return *host::HistoryOf(scene_.document); }
  int32_t Count() const {
    const HostData* d = shader_->data.Find(kCount);
    return d ? d->i32 : -1;
  }
  bool InScene(uint64_t serial) const {
    for (const auto& child : shader_->shaders) {
      if (child->serial == serial) return true;
    }
    return false;
  }
  void SetCount(int32_t count) { C()->setInt32(&shader_->data, kCount, count); }
  HostNode* Linked(int32_t id) const {
    const HostData* d = shader_->data.Find(id);
    return d && d->type == HOST_DA_LINK ? host::ResolveLink(d->linkSerial, scene_.document, 0) : nullptr;
  }
  HostNode* ColorIn(int32_t slot) { return AddInput(shader_, host::kColorShaderType, slot); }
  std::string FileOf(const HostNode* bitmap) const {
    const HostData* d = bitmap ? bitmap->data.Find(host::kBitmapFileParam) : nullptr;
    return d ? std::filesystem::path(std::u8string(d->text.begin(), d->text.end())).filename().string() : "";
  }
  // The IDs of the link entries the interface shows in the slot group, in order.
  std::vector<int32_t> ShownSlots() {
    std::vector<int32_t> ids;
    const auto live = host::LiveDescriptionOf(shader_, host_.GetRegistry());
    for (const auto& e : live->entries) {
      if (e.group.depth == 1 && e.group.level[0].id == kSlotGroup) ids.push_back(e.id.level[0].id);
    }
    return ids;
  }
  void RemoveEntry(int32_t id) {
    HostDescriptionRemoveEntry data{};
    data.id.depth = 1;
    data.id.level[0] = HostDescLevel{id, HOST_DA_LINK, kTilesId};
    host::SendMessage(shader_, HOST_MSG_DESCRIPTION_REMOVE_ENTRY, &data);
  }

  // Runs an edit that must be one undo step: undo gives back the document before it, redo the
  // one after it.
  template <typename Edit>
  void ExpectOneStep(Edit edit) {
    const std::string before = Dump();
    const size_t steps = History().UndoCount();
    edit();
    const std::string after = Dump();
    ASSERT_EQ(History().UndoCount(), steps + 1) << "one undo step";
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(Dump(), before);
    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(Dump(), after);
  }

  // A folder of images of one colour each, named as given; other names get a few bytes of text.
  std::filesystem::path MakeFolder(const std::vector<std::pair<std::string, HostVector>>& images,
                                   const std::vector<std::string>& others) {
    folder_ = std::filesystem::temp_directory_path() /
              ("ombrel-slots-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    for (const auto& [name, colour] : images) {
      host::FloatImage image;
      image.width = 4;
      image.height = 4;
      for (int i = 0; i < 16; ++i) image.rgb.insert(image.rgb.end(), {float(colour.x), float(colour.y), float(colour.z)});
      std::string error;
      EXPECT_TRUE(host::WriteImage(image, folder_ / name, error)) << error;
    }
    for (const auto& name : others) std::ofstream(folder_ / name) << "not a picture\n";
    return folder_;
  }
  void Import(const std::filesystem::path& folder) {
    const std::u8string u8 = folder.u8string();
    host_.GetDialogs().Queue(host::DialogAnswer::Chosen(std::string(u8.begin(), u8.end())));
    host::PressButton(shader_, kLoadFolder);
  }

  std::filesystem::path folder_;
};

TEST_F(TextureSlotsTest, OneSlotShowsNoExtraSlotAndRemoveKeepsIt) {
  ColorIn(kTexture);
  EXPECT_EQ(ShownSlots(), std::vector<int32_t>{kTexture});
  const size_t shaders = shader_->shaders.size();
  const std::string before = Dump();
  host::PressButton(shader_, kRemoveLast);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(shader_->shaders.size(), shaders) << "slot 3100 does not exist: nothing is deleted";
  EXPECT_EQ(Dump(), before);
}

TEST_F(TextureSlotsTest, AddRaisesTheCountUpTo100AndUndoes) {
  ExpectOneStep([&] { host::PressButton(shader_, kAdd); });
  EXPECT_EQ(Count(), 2);
  SetCount(100);
  const size_t steps = History().UndoCount();
  host::PressButton(shader_, kAdd);
  EXPECT_EQ(Count(), 100);
  EXPECT_EQ(History().UndoCount(), steps) << "nothing changed, nothing to undo";
}

TEST_F(TextureSlotsTest, RemoveLastDeletesItsShaderAndUndoes) {
  SetCount(3);
  HostNode* second = ColorIn(kSlot + 2);
  const uint64_t serial = second->serial;
  ExpectOneStep([&] { host::PressButton(shader_, kRemoveLast); });
  EXPECT_EQ(Count(), 2);
  EXPECT_FALSE(InScene(serial)) << "deleted from the scene, not only unlinked";
  // Above the most the button keeps, it comes down to it.
  SetCount(5000);
  host::PressButton(shader_, kRemoveLast);
  EXPECT_EQ(Count(), 1024);
}

TEST_F(TextureSlotsTest, InterfaceShowsAtMost99ExtraSlotsWhileTheRenderReadsThemAll) {
  SetCount(150);
  const std::vector<int32_t> shown = ShownSlots();
  ASSERT_EQ(shown.size(), 100u);
  EXPECT_EQ(shown.front(), kTexture);
  EXPECT_EQ(shown.back(), kSlot + 99);
  // The only texture sits in the last slot, far past what the interface shows.
  HostNode* last = ColorIn(kSlot + 149);
  C()->setVector(&last->data, 1000, HostVector{0.25, 0.5, 0.75});
  ASSERT_EQ(Begin(), 0);
  const HostVector c = Sample(nullptr);
  EXPECT_DOUBLE_EQ(c.x, 0.25);
  EXPECT_DOUBLE_EQ(c.z, 0.75);
}

TEST_F(TextureSlotsTest, LiveDescriptionLabelsTheSlotsInTheirGroup) {
  SetCount(3);
  const auto live = host::LiveDescriptionOf(shader_, host_.GetRegistry());
  EXPECT_EQ(ShownSlots(), (std::vector<int32_t>{kTexture, kSlot + 1, kSlot + 2}));
  for (int i = 1; i <= 2; ++i) {
    HostDescId id{};
    id.depth = 1;
    id.level[0] = HostDescLevel{kSlot + i, HOST_DA_LINK, kTilesId};
    const int at = host::FindEntry(*live, id);
    ASSERT_GE(at, 0);
    const HostContainer& a = live->entries[static_cast<size_t>(at)].attributes;
    EXPECT_EQ(a.Find(HOST_DESC_NAME)->text, "Texture " + std::to_string(i));
    EXPECT_EQ(a.Find(HOST_DESC_SHORT_NAME)->text, "Texture " + std::to_string(i));
    EXPECT_EQ(a.Find(HOST_DESC_REMOVABLE)->i32, 1);
    EXPECT_EQ(a.Find(HOST_DESC_DYNAMIC)->i32, 1);
    EXPECT_EQ(live->entries[static_cast<size_t>(at)].element.kind, "SHADERLINK");
  }
}

TEST_F(TextureSlotsTest, FailedDescriptionLeavesTheHostsUnchanged) {
  SetCount(4);
  // Every request the description makes fails once in turn; the module's account must come out
  // even (checked at tear-down) and a failure must leave the host's description as it was.
  int failures = 0;
  for (int64_t n = 1; n <= 40; ++n) {
    HostDescription description;
    HostDescription::Entry marker;
    marker.id.depth = 1;
    marker.id.level[0] = HostDescLevel{77, HOST_DA_LONG, 0};
    description.entries.push_back(marker);
    int32_t flags = 0;
    module_->ledger.FailAllocation(n);
    const bool built = shader_->plugin->shaderClass.getDDescription(shader_->pluginData, shader_, &description, &flags);
    module_->ledger.FailAllocation(0);
    if (built) {
      EXPECT_NE(flags & HOST_DESCFLAGS_DESC_LOADED, 0);
      EXPECT_GT(description.entries.size(), 4u) << "request " << n;
      continue;
    }
    ++failures;
    ASSERT_EQ(description.entries.size(), 1u) << "request " << n;
    EXPECT_EQ(description.entries[0].id.level[0].id, 77);
    EXPECT_EQ(flags & HOST_DESCFLAGS_DESC_LOADED, 0);
  }
  EXPECT_GE(failures, 2) << "the temporary description and the atom array at least";
}

TEST_F(TextureSlotsTest, CancelledImportStillShowsASecondSlot) {
  ExpectOneStep([&] {
    host_.GetDialogs().Queue(host::DialogAnswer::Cancelled());
    host::PressButton(shader_, kLoadFolder);
  });
  EXPECT_EQ(Count(), 2);
  ASSERT_FALSE(host_.GetDialogs().Shown().empty());
  EXPECT_EQ(host_.GetDialogs().Shown().back().title, "Choose a Folder of Images");
  EXPECT_EQ(host_.GetDialogs().Shown().back().mode, HOST_FILESELECT_DIRECTORY);
}

TEST_F(TextureSlotsTest, ImportFillsFreeSlotsInNameOrderSkippingWhatIsNoImage) {
  SetCount(3);
  HostNode* first = ColorIn(kSlot + 1);
  HostNode* second = ColorIn(kSlot + 2);
  // Byte order puts upper case first; the broken picture and the text are skipped.
  const auto folder = MakeFolder({{"a-red.tif", {1, 0, 0}}, {"b-green.tif", {0, 1, 0}}, {"D-BLUE.TIF", {0, 0, 1}}},
                                 {"c-broken.png", "notes.txt"});
  const size_t shaders = shader_->shaders.size();
  ExpectOneStep([&] { Import(folder); });
  EXPECT_EQ(Linked(kTexture), nullptr) << "the first slot is never filled";
  EXPECT_EQ(Linked(kSlot + 1), first);
  EXPECT_EQ(Linked(kSlot + 2), second);
  EXPECT_EQ(FileOf(Linked(kSlot + 3)), "D-BLUE.TIF");
  EXPECT_EQ(FileOf(Linked(kSlot + 4)), "a-red.tif");
  EXPECT_EQ(FileOf(Linked(kSlot + 5)), "b-green.tif");
  EXPECT_EQ(Linked(kSlot + 6), nullptr);
  EXPECT_EQ(Count(), 6);
  EXPECT_EQ(shader_->shaders.size(), shaders + 3) << "no shader for what was skipped";
  EXPECT_EQ(Linked(kSlot + 3)->data.Find(1002)->i32, 7);
  EXPECT_EQ(Linked(kSlot + 3)->parent, shader_);
}

TEST_F(TextureSlotsTest, FolderOfOtherFilesAddsNothing) {
  SetCount(1);
  const auto folder = MakeFolder({}, {"readme.txt", "list.csv", "png"});
  const size_t shaders = shader_->shaders.size();
  Import(folder);
  EXPECT_EQ(shader_->shaders.size(), shaders);
  EXPECT_EQ(Count(), 2) << "the count still shows a second slot, as after a cancelled dialog";
  EXPECT_EQ(Linked(kSlot + 1), nullptr);
}

TEST_F(TextureSlotsTest, ImportedFloorShowsEveryImage) {
  C()->setInt32(&shader_->data, kColumns, 8);
  C()->setInt32(&shader_->data, kRows, 8);
  Import(MakeFolder({{"1.tif", {1, 0, 0}}, {"2.tif", {0, 1, 0}}, {"3.tif", {0, 0, 1}}}, {}));
  ASSERT_EQ(Count(), 4);
  ASSERT_EQ(Begin(), 0);
  std::set<std::vector<int>> seen;
  for (int row = 0; row < 8; ++row) {
    for (int col = 0; col < 8; ++col) {
      const HostVector c = Sample(nullptr, 0, HostVector{(col + 0.5) / 8.0, (row + 0.5) / 8.0, 0.0});
      seen.insert({int(c.x + 0.5), int(c.y + 0.5), int(c.z + 0.5)});
    }
  }
  EXPECT_EQ(seen, (std::set<std::vector<int>>{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
}

TEST_F(TextureSlotsTest, ImportedSlotsReadBackFromTheWrittenScene) {
  Import(MakeFolder({{"1.tif", {1, 0, 0}}, {"2.tif", {0, 1, 0}}}, {}));
  ASSERT_EQ(Count(), 3);
  shader_->name = "tiles";
  std::vector<std::string> notes;
  std::string error;
  const std::filesystem::path file = folder_ / "written.json";
  ASSERT_TRUE(host::WriteSceneFile(host_, scene_, file, notes, error)) << error;
  EXPECT_TRUE(notes.empty()) << notes.front();
  host::Scene again;
  ASSERT_TRUE(host::LoadSceneFile(host_, file, again, error)) << error;
  HostNode* tiles = host::FindByName(again.document, "tiles");
  ASSERT_NE(tiles, nullptr);
  EXPECT_EQ(tiles->data.Find(kCount)->i32, 3);
  for (int i = 1; i <= 2; ++i) {
    const HostData* link = tiles->data.Find(kSlot + i);
    ASSERT_NE(link, nullptr);
    HostNode* bitmap = host::ResolveLink(link->linkSerial, again.document, 0);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->parent, tiles) << "the slot's shader is a child shader of the tile shader";
    EXPECT_EQ(FileOf(bitmap), std::to_string(i) + ".tif");
  }
}

TEST_F(TextureSlotsTest, RemovingOneSlotDeletesItsShaderAndClosesTheGap) {
  SetCount(5);
  ColorIn(kTexture);
  HostNode* s1 = ColorIn(kSlot + 1);
  HostNode* s2 = ColorIn(kSlot + 2);
  HostNode* s3 = ColorIn(kSlot + 3);
  HostNode* s4 = ColorIn(kSlot + 4);
  const uint64_t removed = s2->serial;
  ExpectOneStep([&] { RemoveEntry(kSlot + 2); });
  EXPECT_FALSE(InScene(removed));
  EXPECT_EQ(Linked(kSlot + 1), s1);
  EXPECT_EQ(Linked(kSlot + 2), s3);
  EXPECT_EQ(Linked(kSlot + 3), s4);
  EXPECT_EQ(Linked(kSlot + 4), nullptr);
  EXPECT_EQ(Count(), 4);
  EXPECT_GT(host_.SceneChanges(), 0);
  // The first slot is not removable.
  RemoveEntry(kTexture);
  EXPECT_EQ(Count(), 4);
}

TEST_F(TextureSlotsTest, ButtonsWithoutADocumentDoNothing) {
  std::unique_ptr<HostNode> loose = host::CreateShader(host_.GetRegistry(), kTilesId);
  HostDescriptionCommand command{};
  command.id.depth = 1;
  command.id.level[0] = HostDescLevel{kAdd, 0, 0};
  EXPECT_FALSE(host::SendMessage(loose.get(), HOST_MSG_DESCRIPTION_COMMAND, &command));
  EXPECT_EQ(loose->data.Find(kCount)->i32, 1);
}

}  // namespace
}  // namespace ombrel::test

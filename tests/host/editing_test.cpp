// The editing host: undo steps, cloning, the material list, dialogs and the edits the interface
// makes, all through the C function tables a module uses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/builtin_shaders.h"
#include "core/document_dump.h"
#include "core/editing.h"
#include "core/families.h"
#include "core/host.h"
#include "core/scene.h"
#include "core/undo.h"

namespace ombrel::test {
namespace {

const HostNodeApi* Nodes() { return host::NodeFamily(); }

HostData Vec(double x, double y, double z) {
  HostData d;
  d.type = HOST_DA_VECTOR;
  d.vec = HostVector{x, y, z};
  return d;
}

// A document with a material holding a colour shader and an object using it.
struct EditingDoc : ::testing::Test {
  host::Host h;
  HostNode* doc = h.NewDocument("doc");
  HostNode* material = host::NewMaterial(doc, "Mat");
  HostNode* object = host::NewObject(doc, nullptr, "plane", 1);
  void SetUp() override {
    auto shader = host::CreateShader(h.GetRegistry(), host::kColorShaderType);
    HostNode* s = host::InsertShader(material, std::move(shader), nullptr);
    material->channelShaderSerial = s->serial;
    object->materialSerial = material->serial;
  }
};

TEST_F(EditingDoc, AChangeStepUndoesExactlyAndRedoes) {
  const std::string before = host::DumpDocument(doc);
  ASSERT_TRUE(Nodes()->undoStart(doc));
  ASSERT_TRUE(Nodes()->undoAdd(doc, HOST_UNDOTYPE_CHANGE, object));
  object->data.Slot(7) = Vec(1, 2, 3);
  object->name = "renamed";
  Nodes()->changeBits(object, HOST_BIT_ACTIVE, 0);
  ASSERT_TRUE(Nodes()->undoEnd(doc));
  const std::string after = host::DumpDocument(doc);
  ASSERT_NE(before, after);

  host::UndoHistory* history = host::HistoryOf(doc);
  ASSERT_TRUE(history->Undo());
  EXPECT_EQ(host::DumpDocument(doc), before);
  ASSERT_TRUE(history->Redo());
  EXPECT_EQ(host::DumpDocument(doc), after);
  EXPECT_FALSE(history->Redo());
}

TEST_F(EditingDoc, NewAndDeleteStepsKeepNodeIdentityAndPlace) {
  const std::string before = host::DumpDocument(doc);
  ASSERT_TRUE(Nodes()->undoStart(doc));
  HostNode* cube = Nodes()->objectNew(nullptr, HOST_OBJECT_CUBE);
  ASSERT_NE(cube, nullptr);
  Nodes()->insertObject(doc, cube, nullptr, nullptr);
  EXPECT_EQ(Nodes()->firstObject(doc), cube);  // first in the list
  HostNode* tag = Nodes()->makeTag(cube, HOST_TAG_TEXTURE, nullptr);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->data.Find(HOST_TEXTURETAG_PROJECTION)->i32, HOST_TEXTURETAG_PROJECTION_UVW);
  ASSERT_TRUE(Nodes()->undoAdd(doc, HOST_UNDOTYPE_NEW, cube));
  // The plane goes: recorded first, then removed; the step owns it and a free is ignored.
  ASSERT_TRUE(Nodes()->undoAdd(doc, HOST_UNDOTYPE_DELETE, object));
  Nodes()->remove(object);
  Nodes()->free(nullptr, object);
  ASSERT_TRUE(Nodes()->undoEnd(doc));
  const std::string after = host::DumpDocument(doc);
  EXPECT_EQ(doc->children.size(), 1u);

  host::UndoHistory* history = host::HistoryOf(doc);
  ASSERT_TRUE(history->Undo());
  EXPECT_EQ(host::DumpDocument(doc), before);
  ASSERT_TRUE(history->Redo());
  EXPECT_EQ(host::DumpDocument(doc), after);
  EXPECT_EQ(Nodes()->firstObject(doc), cube);  // the very node, so links to it still resolve
  ASSERT_TRUE(history->Undo());
  EXPECT_EQ(Nodes()->firstObject(doc), object);
}

TEST_F(EditingDoc, StepRules) {
  // Outside a step nothing records.
  EXPECT_FALSE(Nodes()->undoAdd(doc, HOST_UNDOTYPE_CHANGE, object));
  EXPECT_FALSE(Nodes()->undoEnd(doc));
  EXPECT_FALSE(Nodes()->undoStart(object));  // only documents have a history
  host::UndoHistory* history = host::HistoryOf(doc);

  // Nested steps join the outer one: one undo takes back both changes.
  const std::string before = host::DumpDocument(doc);
  ASSERT_TRUE(Nodes()->undoStart(doc));
  ASSERT_TRUE(Nodes()->undoAdd(doc, HOST_UNDOTYPE_CHANGE, object));
  object->data.Slot(1) = Vec(1, 0, 0);
  ASSERT_TRUE(Nodes()->undoStart(doc));
  ASSERT_TRUE(Nodes()->undoAdd(doc, HOST_UNDOTYPE_CHANGE, material));
  material->name = "Other";
  ASSERT_TRUE(Nodes()->undoEnd(doc));
  EXPECT_EQ(history->UndoCount(), 0u);  // still open
  EXPECT_FALSE(history->Undo());         // not while a step is open
  ASSERT_TRUE(Nodes()->undoEnd(doc));
  EXPECT_EQ(history->UndoCount(), 1u);

  // An empty step leaves no trace, and a new step clears what could be redone.
  ASSERT_TRUE(Nodes()->undoStart(doc));
  ASSERT_TRUE(Nodes()->undoEnd(doc));
  EXPECT_EQ(history->UndoCount(), 1u);
  ASSERT_TRUE(history->Undo());
  EXPECT_EQ(host::DumpDocument(doc), before);
  EXPECT_EQ(history->RedoCount(), 1u);
  ASSERT_TRUE(Nodes()->undoStart(doc));
  ASSERT_TRUE(Nodes()->undoAdd(doc, HOST_UNDOTYPE_CHANGE, object));
  ASSERT_TRUE(Nodes()->undoEnd(doc));
  EXPECT_EQ(history->RedoCount(), 0u);
}

TEST_F(EditingDoc, CloneWithTranslatorKeepsItsLinksInsideAndGetsAUniqueName) {
  HostNode* shader = material->shaders.front().get();
  // A link from the material to its own shader, as a shader links its input.
  HostData link;
  link.type = HOST_DA_LINK;
  link.linkSerial = shader->serial;
  material->data.Slot(5) = link;

  HostAliasTrans* trans = Nodes()->aliasTransNew(nullptr);
  ASSERT_TRUE(Nodes()->aliasTransInit(trans, doc));
  HostNode* clone = Nodes()->clone(nullptr, material, 0, trans);
  ASSERT_NE(clone, nullptr);
  HostNode* plain = Nodes()->clone(nullptr, material, 0, nullptr);
  Nodes()->aliasTransTranslate(trans, HOST_FALSE);
  Nodes()->aliasTransFree(nullptr, trans);

  HostNode* cloneShader = clone->shaders.front().get();
  EXPECT_NE(cloneShader, shader);
  EXPECT_EQ(clone->data.Find(5)->linkSerial, cloneShader->serial);
  EXPECT_EQ(clone->channelShaderSerial, cloneShader->serial);
  EXPECT_EQ(plain->data.Find(5)->linkSerial, shader->serial);  // untranslated: still the original
  EXPECT_EQ(object->materialSerial, material->serial);         // others keep their goals

  // Goals outside the clones stay only when asked to.
  HostData outside;
  outside.type = HOST_DA_LINK;
  outside.linkSerial = object->serial;
  material->data.Slot(6) = outside;
  for (HostBool keep : {HOST_TRUE, HOST_FALSE}) {
    HostAliasTrans* t = Nodes()->aliasTransNew(nullptr);
    Nodes()->aliasTransInit(t, doc);
    HostNode* c = Nodes()->clone(nullptr, material, 0, t);
    Nodes()->aliasTransTranslate(t, keep);
    EXPECT_EQ(c->data.Find(6)->linkSerial, keep ? object->serial : 0u);
    EXPECT_EQ(c->data.Find(5)->linkSerial, c->shaders.front()->serial);
    Nodes()->free(nullptr, c);
    Nodes()->aliasTransFree(nullptr, t);
  }

  Nodes()->insertMaterial(doc, clone, material, HOST_TRUE);
  Nodes()->insertMaterial(doc, plain, clone, HOST_TRUE);
  ASSERT_EQ(doc->materials.size(), 3u);
  EXPECT_EQ(doc->materials[1].get(), clone);  // right after the original
  EXPECT_EQ(clone->name, "Mat.1");
  EXPECT_EQ(plain->name, "Mat.2");
  EXPECT_EQ(host::UniqueMaterialName(doc, "Mat.1"), "Mat.3");
  EXPECT_EQ(host::UniqueMaterialName(doc, "Fresh"), "Fresh");
}

TEST(Dialogs, QueuedAnswersInOrderWithTheForcedSuffix) {
  host::Host h;
  host::Dialogs& d = h.GetDialogs();
  d.SetInteractive(false);
  d.Queue(host::DialogAnswer::Chosen("out/picture.png"));
  d.Queue(host::DialogAnswer::Cancelled());
  d.Queue(host::DialogAnswer{host::DialogAnswer::Kind::Yes, ""});
  const HostDialogApi* api = host::DialogFamily();
  HostData result;
  const std::string title = "Save Image to ..";
  const HostStr t{title.data(), static_cast<int64_t>(title.size())};
  ASSERT_TRUE(api->fileSelect(HOST_FILESELECTTYPE_IMAGES, HOST_FILESELECT_SAVE, t, HostStr{"tiff", 4}, &result));
  EXPECT_EQ(result.text, "out/picture.tiff");
  EXPECT_FALSE(api->fileSelect(HOST_FILESELECTTYPE_IMAGES, HOST_FILESELECT_SAVE, t, HostStr{"tiff", 4}, &result));
  EXPECT_TRUE(api->question(HostStr{"Sure?", 5}));
  // Nothing queued and nobody to ask: cancelled, and no answer.
  EXPECT_FALSE(api->question(HostStr{"Again?", 6}));
  ASSERT_EQ(d.Shown().size(), 4u);
  EXPECT_EQ(d.Shown()[0].title, title);
  EXPECT_EQ(d.Shown()[0].suffix, "tiff");
  EXPECT_EQ(d.Shown()[1].answer, "cancelled");
  EXPECT_FALSE(d.Shown()[3].scripted);

  EXPECT_EQ(host::WithSuffix("a/b.c/name", "tiff"), "a/b.c/name.tiff");
  EXPECT_EQ(host::WithSuffix("a/.hidden", "tiff"), "a/.hidden.tiff");
  EXPECT_EQ(host::WithSuffix("x.TIF", "tiff"), "x.tiff");
}

// A plug-in shader of the test's own, which notes every call the host makes on it.
std::vector<std::string> g_calls;
HostBool NoteMessage(void*, HostNode* node, int32_t type, void* data) {
  std::string call = "message " + std::to_string(type);
  if (type == HOST_MSG_DESCRIPTION_COMMAND) call += " " + std::to_string(static_cast<HostDescriptionCommand*>(data)->id.level[0].id);
  if (type == HOST_MSG_DESCRIPTION_POSTSETPARAMETER || type == HOST_MSG_DESCRIPTION_CHECKUPDATE) {
    call += " " + std::to_string(static_cast<HostDescPostSet*>(data)->id->level[0].id);
    const HostData* stored = node->data.Find(9);
    call += stored ? " stored" : " unstored";
  }
  g_calls.push_back(call);
  return HOST_TRUE;
}
HostBool NoteSet(void*, HostNode* node, const HostDescId* id, const HostData*, int32_t* flags) {
  g_calls.push_back("set " + std::to_string(id->level[0].id) + (node->data.Find(9) ? " stored" : " unstored") +
                    ((*flags & HOST_DESCFLAGS_SET_USERINTERACTION) ? " user" : ""));
  return HOST_TRUE;
}

TEST(Edits, ParameterEditAndButtonSendTheInterfaceMessagesInOrder) {
  host::Host h;
  auto record = std::make_unique<host::PluginRecord>();
  record->id = 1999001;
  record->pluginType = HOST_PLUGINTYPE_SHADER;
  static int object = 0;
  record->shaderClass.alloc = [](const void*) -> void* { return &object; };
  record->shaderClass.destroy = [](void*) {};
  record->shaderClass.init = [](void*, HostNode*) -> HostBool { return HOST_TRUE; };
  record->shaderClass.message = NoteMessage;
  record->shaderClass.setDParameter = NoteSet;
  ASSERT_TRUE(h.GetRegistry().Add(std::move(record)));
  HostNode* doc = h.NewDocument("doc");
  HostNode* node = host::InsertShader(doc, host::CreateShader(h.GetRegistry(), 1999001), nullptr);
  ASSERT_NE(node, nullptr);

  g_calls.clear();
  const std::string before = host::DumpDocument(doc);
  ASSERT_TRUE(host::EditParameter(h, node, 9, Vec(1, 2, 3)));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"set 9 unstored user", "message 19 9 stored", "message 20 9 stored"}));
  EXPECT_EQ(h.Events().size(), 1u);
  // The edit is one undo step.
  ASSERT_TRUE(host::HistoryOf(doc)->Undo());
  EXPECT_EQ(host::DumpDocument(doc), before);

  g_calls.clear();
  ASSERT_TRUE(host::PressButton(node, 1101));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"message 18 1101"}));
  h.FreeDocuments();
}

}  // namespace
}  // namespace ombrel::test

// The host's description service and folder walks.
#include "sdk_container.h"
#include "sdk_host.h"
#include "sdk_memory.h"
#include "sdk_plugins.h"
#include "sdk_string.h"

namespace {
const HostStringApi* Strings() { return SdkHost() ? SdkHost()->strings : nullptr; }
const HostBitmapApi* Files() { return SdkHost() ? SdkHost()->bitmaps : nullptr; }
}  // namespace

Description* Description::Alloc() {
  if (!OMBREL_HAS(Strings(), descriptionNew)) return nullptr;
  return From(Strings()->descriptionNew(SdkModule()));
}

void Description::Free(Description*& description) {
  if (description && OMBREL_HAS(Strings(), descriptionFree)) Strings()->descriptionFree(SdkModule(), description->Host());
  description = nullptr;
}

Bool Description::LoadDescription(LONG id) {
  return OMBREL_HAS(Strings(), descriptionLoad) && Strings()->descriptionLoad(Host(), id);
}

const BaseContainer* Description::GetParameterI(const DescID& id, AtomArray* ar) const {
  (void)ar;  // the host keeps one description per node, so it needs no list of nodes
  if (!OMBREL_HAS(Strings(), descriptionGetEntry)) return nullptr;
  return BaseContainer::From(Strings()->descriptionGetEntry(Host(), &id.ToHost()));
}

Bool Description::SetParameter(const DescID& id, const BaseContainer& entry, const DescID& group) {
  return OMBREL_HAS(Strings(), descriptionAdd) && Strings()->descriptionAdd(Host(), entry.Host(), &id.ToHost(), &group.ToHost());
}

Bool Description::GetEntry(LONG index, DescID& id, const BaseContainer*& entry, DescID& group) const {
  if (!OMBREL_HAS(Strings(), descriptionBrowse)) return FALSE;
  HostDescId rawId{}, rawGroup{};
  const HostContainer* raw = nullptr;
  if (!Strings()->descriptionBrowse(Host(), index, &rawId, &raw, &rawGroup)) return FALSE;
  id = DescID(rawId);
  group = DescID(rawGroup);
  entry = BaseContainer::From(raw);
  return TRUE;
}

Bool Description::CopyEntryTo(LONG index, Description* to) const {
  return to && OMBREL_HAS(Strings(), descriptionCopyEntry) && Strings()->descriptionCopyEntry(to->Host(), Host(), index);
}

Bool Filename::CheckSuffix(const String& suffix) const {
  return OMBREL_HAS(Files(), checkSuffix) && Files()->checkSuffix(path_.ToHost(), suffix.ToHost());
}

BrowseFiles* BrowseFiles::Alloc() { return gNew(BrowseFiles); }

void BrowseFiles::Free(BrowseFiles*& browse) { gDelete(browse); }

BrowseFiles::~BrowseFiles() {
  if (walk_ && OMBREL_HAS(Files(), browseFilesFree)) Files()->browseFilesFree(SdkModule(), walk_);
}

Bool BrowseFiles::Init(const Filename& folder, LONG flags) {
  if (walk_ && OMBREL_HAS(Files(), browseFilesFree)) Files()->browseFilesFree(SdkModule(), walk_);
  walk_ = nullptr;
  if (!OMBREL_HAS(Files(), browseFilesNew)) return FALSE;
  walk_ = Files()->browseFilesNew(SdkModule(), folder.GetString().ToHost(), flags);
  return walk_ != nullptr;
}

Bool BrowseFiles::GetNext() {
  if (!walk_ || !OMBREL_HAS(Files(), browseFilesNext)) return FALSE;
  HostStr name{"", 0};
  HostBool folder = HOST_FALSE;
  if (!Files()->browseFilesNext(walk_, &name, &folder)) return FALSE;
  name_ = Filename(String(name));
  isDir_ = folder != HOST_FALSE;
  return TRUE;
}

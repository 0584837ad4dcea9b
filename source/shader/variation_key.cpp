#include "variation_key.h"

#include "numeric.h"
#include "polygon_group.h"

LONG IdentityChainSum(LONG key, BaseObject* op) {
  for (; op; op = op->GetUp()) key = ombrel::WrapAdd32(key, op->GetUniqueIdentity());
  return key;
}

namespace {
// The identity part of the key from the objects themselves, for a host without the sums.
LONG WalkedIdentityKey(const RayObject* ro) {
  LONG key = 0;
  BaseObject* source = ro->GetSource();
  if (source) key = IdentityChainSum(0, source);
  BaseObject* walk = source;
  if (BaseObject* origin = ro->GetOrigin()) {
    // An origin object without a source should not occur; it then counts as identity 0.
    key = ombrel::WrapAdd32(key, ombrel::WrapAdd32(source ? source->GetUniqueIdentity() : 0, 1));
    walk = origin;
  }
  return IdentityChainSum(key, walk);
}
}  // namespace

LONG ObjectVariationKey(const RayObject* ro) {
  if (!ro) return 0;
  // The host's sums are the numbers WalkedIdentityKey adds up, worked out once per render
  // object: one call per sample instead of about ten. Wrapping sums may be added in any order.
  RayObjectIdentities ids;
  if (!ro->GetIdentitySums(&ids)) return WalkedIdentityKey(ro);
  const LONG second =
      ids.hasOrigin ? ombrel::WrapAdd32(ombrel::WrapAdd32(ids.sourceIdentity, 1), ids.originChain) : ids.sourceChain;
  return ombrel::WrapAdd32(ids.sourceChain, second);
}

LONG VariationKey(LONG groupSize, const VolumeData* vd) {
  if (!vd) return 0;
  LONG key = ObjectVariationKey(vd->GetLastHitObject());
  if (groupSize != 0) key = ombrel::WrapAdd32(key, ombrel::PolygonGroupStart(vd->GetLastPolygon(), groupSize));
  return key;
}

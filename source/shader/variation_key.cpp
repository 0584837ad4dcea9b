#include "variation_key.h"

namespace {

// 32-bit wrap-around without signed overflow.
LONG Add(LONG a, LONG b) { return static_cast<LONG>(static_cast<ULONG>(a) + static_cast<ULONG>(b)); }

}  // namespace

LONG IdentityChainSum(LONG key, BaseObject* op) {
  for (; op; op = op->GetUp()) key = Add(key, op->GetUniqueIdentity());
  return key;
}

LONG VariationKey(LONG groupSize, const VolumeData* vd) {
  if (!vd) return 0;
  LONG key = 0;
  if (const RayObject* ro = vd->GetLastHitObject()) {
    BaseObject* source = ro->GetSource();
    if (source) key = IdentityChainSum(0, source);
    BaseObject* walk = source;
    if (BaseObject* origin = ro->GetOrigin()) {
      // An origin object without a source should not occur; it then counts as identity 0.
      key = Add(key, Add(source ? source->GetUniqueIdentity() : 0, 1));
      walk = origin;
    }
    key = IdentityChainSum(key, walk);
  }
  if (groupSize != 0) {
    const long long polygon = vd->GetLastPolygon();
    const long long first = (polygon / groupSize) * groupSize;
    key = Add(key, static_cast<LONG>(static_cast<ULONG>(static_cast<unsigned long long>(first))));
  }
  return key;
}

#include "variation_key.h"

#include "numeric.h"
#include "polygon_group.h"

LONG IdentityChainSum(LONG key, BaseObject* op) {
  for (; op; op = op->GetUp()) key = ombrel::WrapAdd32(key, op->GetUniqueIdentity());
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
      key = ombrel::WrapAdd32(key, ombrel::WrapAdd32(source ? source->GetUniqueIdentity() : 0, 1));
      walk = origin;
    }
    key = IdentityChainSum(key, walk);
  }
  if (groupSize != 0) key = ombrel::WrapAdd32(key, ombrel::PolygonGroupStart(vd->GetLastPolygon(), groupSize));
  return key;
}

// The per-object variation key shared by the shaders that vary per object.
#ifndef OMBREL_VARIATION_KEY_H
#define OMBREL_VARIATION_KEY_H

#include "sdk.h"

// Sum of the host's identity numbers of `op` and every ancestor, added to `key`, wrapping at
// 32 bits. Safe on render threads.
LONG IdentityChainSum(LONG key, BaseObject* op);

// The object part of the key below for render object `ro`; 0 for null. Safe on render threads.
LONG ObjectVariationKey(const RayObject* ro);

// Sum of the host's identity numbers of the hit object and its ancestors (counted twice when
// there is no origin object, once each plus the origin object's chain when there is one), plus,
// when groupSize is not 0, the first polygon of the hit polygon's group. Sums wrap at 32 bits.
// A null record gives 0. Safe on render threads.
LONG VariationKey(LONG groupSize, const VolumeData* vd);

#endif

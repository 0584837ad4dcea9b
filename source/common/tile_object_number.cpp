#include "tile_object_number.h"

#include "numeric.h"

int32_t ObjectNumber(const TileHit& hit)
{
    if (!hit.hasContext || !hit.hasRenderObject)
        return 0;
    int32_t number = hit.hasSource ? hit.sourceChainIdentity : 0;
    if (hit.hasOrigin)
    {
        // An origin without a source counts the missing source as identity 0.
        const int32_t source = hit.hasSource ? hit.sourceIdentity : 0;
        number = ombrel::WrapAdd32(number, ombrel::WrapAdd32(source, 1));
    }
    return number;
}

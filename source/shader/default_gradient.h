// The shaders' default gradients: two knots, each of brightness 1 and bias 0.5.
#ifndef OMBREL_DEFAULT_GRADIENT_H
#define OMBREL_DEFAULT_GRADIENT_H

#include "sdk.h"

// Stores a new gradient with the two knots at `id`; FALSE when the host cannot make one.
Bool WriteTwoKnotGradient(BaseContainer* data, LONG id, const Vector& firstColor, Real firstPosition,
                          const Vector& secondColor, Real secondPosition);

#endif

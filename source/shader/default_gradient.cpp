#include "default_gradient.h"

Bool WriteTwoKnotGradient(BaseContainer* data, LONG id, const Vector& firstColor, Real firstPosition,
                          const Vector& secondColor, Real secondPosition) {
  GeData gradientData;
  if (!gradientData.SetCustomDefault(CUSTOMDATATYPE_GRADIENT)) return FALSE;
  Gradient* gradient = Gradient::From(gradientData.GetCustomDataType(CUSTOMDATATYPE_GRADIENT));
  if (!gradient) return FALSE;
  GradientKnot knot;
  knot.col = firstColor;
  knot.pos = firstPosition;
  gradient->InsertKnot(knot);
  knot.col = secondColor;
  knot.pos = secondPosition;
  gradient->InsertKnot(knot);
  data->SetData(id, gradientData);
  return TRUE;
}

// How the user moves the UV transform tool's corners: the hand cursor over a corner, a press
// that selects the corners under the pointer and drags them, and arrow keys that move the
// selected corners one pixel per step.
#ifndef OMBREL_CORNER_EDITING_H
#define OMBREL_CORNER_EDITING_H

#include "sdk.h"

namespace uvtool {

// Sets RESULT_CURSOR to the pointing hand when (x, y) lies within the pick radius of a corner.
void ShowCornerCursor(BaseDocument* doc, const BaseContainer& settings, BaseDraw* bd, Real x, Real y,
                      const BaseBitmap* preview, BaseContainer& result);

// A press at the message's pointer: replaces the selection, then drags the selected corners for
// as long as the host's drag goes on, as one undo step.
void PressAndDrag(BaseDocument* doc, const BaseContainer& settings, BaseDraw* bd, EditorWindow* win,
                  const BaseContainer& msg, const BaseBitmap* preview, Bool cornerSelected[4]);

// Moves the selected corners by one arrow-key step; FALSE when the key is left to the host (no
// selection, no arrow key down, no edited shader).
Bool NudgeSelected(BaseDocument* doc, const BaseContainer& settings, BaseDraw* bd, EditorWindow* win,
                   const BaseBitmap* preview, const Bool cornerSelected[4]);

// One step of the arrow keys, polled through the host (see ombrel::ReadArrowKeyStep).
Bool ReadArrowKeyStep(Real& dx, Real& dy, EditorWindow* win);

}  // namespace uvtool

#endif

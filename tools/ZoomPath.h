// The views of a zoom sequence.
#pragma once

#include "view/ViewParameters.h"

// Frame k of n (from 1) on the way from the start view to the target's
// region: the start view with another centre and half-width. The half-width
// changes by the same factor each frame, and the centre moves so that the
// point of the plane where the two views would meet stays in place on screen.
// The first and last frames are the two regions exactly.
ViewParameters ZoomFrame(const ViewParameters& start, const ViewParameters& target, int k, int n);

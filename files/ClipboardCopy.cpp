#include "view/FractalView.h"

void CFractalView::OnCopy() {}

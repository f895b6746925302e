#include "view/FractalView.h"

void CFractalView::OnOptions() {}

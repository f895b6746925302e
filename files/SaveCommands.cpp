#include "view/FractalView.h"

void CFractalView::OnSave() {}
void CFractalView::OnSaveSpot() {}
void CFractalView::OnLoadSpot() {}

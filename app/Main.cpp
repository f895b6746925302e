#include "app/FractalApp.h"

// The one application object; the framework's entry point runs it.
CFractalApp theApp;

// The framework test's own resources; plain #defines for the resource compiler.
#pragma once

#include "framework/FrameworkIds.h"

#define IDD_EXCHANGE 100
#define IDC_OWN_BUTTON 1001
#define IDC_ZOOM 1002
#define IDC_ITERATIONS 1003
#define IDC_LENGTH 1004
#define IDC_CHECK 1005

// Resource and command identifiers, shared by the code and fractavo.rc.
#pragma once

#include "framework/FrameworkIds.h"

#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDD_OPTIONS 130
#define IDC_HAND_POINTER 132

#define ID_VIEW_RESTART 32771
#define ID_VIEW_OPTIONS 32772
#define ID_VIEW_REFRESH 32773
#define ID_FILE_SAVE_SPOT 32774
#define ID_FILE_LOAD_SPOT 32775
#define ID_FILE_SAVE_BMP 32776
#define ID_FILE_COPY 32777

// About box
#define IDC_LINK 1032

// Options dialog
#define IDC_ZOOM_RATE 1000
#define IDC_MAX_ITERATIONS 1001
#define IDC_IN_COLOUR 1008
#define IDC_OUT_COLOUR 1009
#define IDC_SPIN_ZOOM_RATE 1010
#define IDC_SPIN_MAX_ITERATIONS 1011
#define IDC_SCREEN_SIZE 1024
#define IDC_SPIN_SCREEN_SIZE 1026
#define IDC_DEFAULTS 1027
#define IDC_FORCE_24BIT 1031

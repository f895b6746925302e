// Identifiers the framework itself defines; plain #defines so the resource
// compiler can read them too.
#pragma once

#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
#define AFX_IDS_APP_TITLE 0xE000
#define AFX_IDW_PANE_FIRST 0xE900

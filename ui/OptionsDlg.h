// The Options dialog: zoom rate, iteration limit, image size, the 24-bit
// flag and the two gradient colours. The caller gives the fields, runs it
// and, after IDOK, reads them back; the dialog never touches the settings.
#pragma once

#include "app/Settings.h"
#include "framework/CommonDialogs.h"
#include "framework/Dialog.h"
#include "ui/SwatchButton.h"

class COptionsDlg : public CDialog {
 public:
  explicit COptionsDlg(const Settings& initial);
  // The six fields as they are; after IDOK, as accepted.
  Settings Chosen() const;

  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnInitDialog() override;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  void OnOK() override;
  void OnDefaults();
  void OnKillFocusZoomRate();
  void OnKillFocusMaxIterations();
  void OnKillFocusScreenSize();
  DECLARE_MESSAGE_MAP()

 private:
  // Reads the fields back and, when field is out of low..high, replaces
  // the edit's text with the nearer limit. False when a field is not a
  // number (the read-back has told the user).
  bool Clamp(int id, const int& field, int low, int high);
  bool ClampZoomRate();
  bool ClampMaxIterations();
  bool ClampScreenSize();
  // The user has chosen Cancel (or the dialog has ended): a field left
  // empty then gets no notice.
  bool Cancelling() const;

  CSwatchButton m_inButton;
  CSwatchButton m_outButton;
  CToolTipCtrl m_toolTip;
  // The values exchanged with the caller.
  int zoomRate;
  int maxIterations;
  int screenSize;
  int force24Bit;
  COLORREF inColour;
  COLORREF outColour;
  bool m_readingBack = false;
};

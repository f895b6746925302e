// Modal dialogs from templates, with data exchange between members and
// controls.
#pragma once

#include "framework/Wnd.h"

class CDialog;

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, bool saveAndValidate) : m_dialog(dialog), m_saveAndValidate(saveAndValidate) {}
  // Puts the focus back into the control that failed, selects its text and
  // stops the exchange.
  [[noreturn]] void Fail(HWND control);

  CDialog* m_dialog;
  bool m_saveAndValidate;
};

// Decimal integers of any length, those beyond an int read as the nearest
// int; a text that is not one gets a notice and fails the exchange.
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
// Attaches the dialog's control to control on the first exchange.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_templateId(templateId), m_parent(parent) {}

  // Runs the dialog in a message loop of ours, so PreTranslateMessage sees
  // every message; the owner is disabled meanwhile.
  INT_PTR DoModal();
  void EndDialog(int result);
  // True once EndDialog has been called, while the dialog is taken down.
  bool HasEnded() const { return !m_running; }
  // False when the exchange failed.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  BOOL PreTranslateMessage(MSG* msg) override;
  virtual BOOL OnInitDialog();

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  virtual void OnOK();
  virtual void OnCancel();
  LRESULT HandleInitDialog(WPARAM, LPARAM);
  void OnOKCommand() { OnOK(); }
  void OnCancelCommand() { OnCancel(); }
  DECLARE_MESSAGE_MAP()

 private:
  static INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  UINT m_templateId;
  CWnd* m_parent;
  bool m_running = false;
  int m_result = -1;
};

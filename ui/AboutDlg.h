// The About box: icon, name and version, and a link to the maker's page.
#pragma once

#include "framework/Dialog.h"
#include "ui/LinkLabel.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

 protected:
  void DoDataExchange(CDataExchange* dx) override;

 private:
  CLinkLabel m_link;
};

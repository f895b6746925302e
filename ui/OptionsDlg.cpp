#include "ui/OptionsDlg.h"

#include <string>

#include "app/resource.h"

namespace {
struct Range {
  int low;
  int high;
};
constexpr Range kZoomRates = {1, 50};
constexpr Range kIterations = {1, setting::kMaxMaxIterations};
constexpr Range kScreenSizes = {setting::kMinWindowSize, setting::kMaxWindowSize};

struct Tip {
  int id;
  const char* text;
};
constexpr Tip kTips[] = {
    {IDC_IN_COLOUR, "The \"In\" Color for the Fractavo Set"},
    {IDC_OUT_COLOUR, "The \"Out\" or Background Color"},
    {IDC_FORCE_24BIT, "Forces 16-bit and 32-bit bitmaps to be saved as 24-bit bitmaps"},
    {IDC_ZOOM_RATE, "The Rate of Zoom for Mouse Clicks"},
    {IDC_MAX_ITERATIONS, "Iteration Count, Higher is Greater Resolution but Slower Speed"},
    {IDC_SCREEN_SIZE, "The Screen Size on Edge"},
    {IDC_DEFAULTS, "Restore The Default Values"},
};
}  // namespace

BEGIN_MESSAGE_MAP(COptionsDlg, CDialog)
  ON_BN_CLICKED(IDC_DEFAULTS, OnDefaults)
  ON_EN_KILLFOCUS(IDC_ZOOM_RATE, OnKillFocusZoomRate)
  ON_EN_KILLFOCUS(IDC_MAX_ITERATIONS, OnKillFocusMaxIterations)
  ON_EN_KILLFOCUS(IDC_SCREEN_SIZE, OnKillFocusScreenSize)
END_MESSAGE_MAP()

COptionsDlg::COptionsDlg(const Settings& s)
    : CDialog(IDD_OPTIONS),
      zoomRate(s.zoomRate),
      maxIterations(s.maxIterations),
      screenSize(s.edge),
      force24Bit(s.force24Bit),
      inColour(s.inColour),
      outColour(s.outColour) {}

Settings COptionsDlg::Chosen() const {
  return {
      static_cast<Colour>(inColour), static_cast<Colour>(outColour), force24Bit, zoomRate, maxIterations, screenSize};
}

void COptionsDlg::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_IN_COLOUR, m_inButton);
  DDX_Control(dx, IDC_OUT_COLOUR, m_outButton);
  DDX_Text(dx, IDC_ZOOM_RATE, zoomRate);
  DDX_Text(dx, IDC_MAX_ITERATIONS, maxIterations);
  DDX_Text(dx, IDC_SCREEN_SIZE, screenSize);
  DDX_Check(dx, IDC_FORCE_24BIT, force24Bit);
}

BOOL COptionsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // Up-downs take (upper, lower) and stop at the ends.
  ::SendDlgItemMessageA(m_hWnd, IDC_SPIN_ZOOM_RATE, UDM_SETRANGE, 0, MAKELPARAM(kZoomRates.high, kZoomRates.low));
  ::SendDlgItemMessageA(m_hWnd, IDC_SPIN_MAX_ITERATIONS, UDM_SETRANGE, 0,
                        MAKELPARAM(kIterations.high, kIterations.low));
  ::SendDlgItemMessageA(m_hWnd, IDC_SPIN_SCREEN_SIZE, UDM_SETRANGE, 0, MAKELPARAM(kScreenSizes.high, kScreenSizes.low));

  m_toolTip.Create(this);
  for (const Tip& tip : kTips) m_toolTip.AddTool(GetDlgItem(tip.id), tip.text);
  // Shown after a second, up for ten, and a fifth of a second when moving
  // from tool to tool.
  m_toolTip.SetDelayTime(TTDT_AUTOMATIC, 1000);
  m_toolTip.Activate(TRUE);

  m_inButton.m_colour = inColour;
  m_inButton.Invalidate(TRUE);
  m_outButton.m_colour = outColour;
  m_outButton.Invalidate(TRUE);
  return TRUE;
}

BOOL COptionsDlg::PreTranslateMessage(MSG* msg) {
  // The tips see the mouse only through this relay.
  m_toolTip.RelayEvent(msg);
  return CDialog::PreTranslateMessage(msg);
}

bool COptionsDlg::Clamp(int id, const int& field, int low, int high) {
  // The notice about a field that is not a number takes the focus, and the
  // edit that loses it would read back and complain again, box upon box.
  if (m_readingBack) return false;
  m_readingBack = true;
  const bool read = UpdateData(TRUE) != FALSE;
  m_readingBack = false;
  // After a failed read-back this field keeps its last value.
  if (field < low)
    SetDlgItemText(id, std::to_string(low).c_str());
  else if (field > high)
    SetDlgItemText(id, std::to_string(high).c_str());
  return read;
}

bool COptionsDlg::ClampZoomRate() { return Clamp(IDC_ZOOM_RATE, zoomRate, kZoomRates.low, kZoomRates.high); }

bool COptionsDlg::ClampMaxIterations() {
  return Clamp(IDC_MAX_ITERATIONS, maxIterations, kIterations.low, kIterations.high);
}

bool COptionsDlg::ClampScreenSize() { return Clamp(IDC_SCREEN_SIZE, screenSize, kScreenSizes.low, kScreenSizes.high); }

bool COptionsDlg::Cancelling() const {
  // The focus has moved by the time an edit says it lost it. Whatever the
  // fields hold is thrown away then, and OK clamps them all again anyway.
  return HasEnded() || ::GetFocus() == GetDlgItem(IDCANCEL);
}

void COptionsDlg::OnKillFocusZoomRate() {
  if (!Cancelling()) ClampZoomRate();
}
void COptionsDlg::OnKillFocusMaxIterations() {
  if (!Cancelling()) ClampMaxIterations();
}
void COptionsDlg::OnKillFocusScreenSize() {
  if (!Cancelling()) ClampScreenSize();
}

void COptionsDlg::OnDefaults() {
  inColour = setting::kDefaultInColour;
  m_inButton.m_colour = inColour;
  m_inButton.Invalidate(TRUE);
  outColour = setting::kDefaultOutColour;
  m_outButton.m_colour = outColour;
  m_outButton.Invalidate(TRUE);
  ::SendDlgItemMessageA(m_hWnd, IDC_FORCE_24BIT, BM_SETCHECK, BST_CHECKED, 0);
  // The numbers are taken from the texts at the next read-back.
  SetDlgItemText(IDC_ZOOM_RATE, std::to_string(setting::kDefaultZoomRate).c_str());
  SetDlgItemText(IDC_MAX_ITERATIONS, std::to_string(setting::kDefaultMaxIterations).c_str());
  SetDlgItemText(IDC_SCREEN_SIZE, std::to_string(setting::kDefaultWindowSize).c_str());
}

void COptionsDlg::OnOK() {
  // A field that is not a number keeps the dialog open after one notice.
  if (!ClampZoomRate() || !ClampMaxIterations() || !ClampScreenSize()) return;
  inColour = m_inButton.m_colour;
  outColour = m_outButton.m_colour;
  CDialog::OnOK();
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiTest.h"
#include "app/FractalApp.h"
#include "app/MainFrame.h"
#include "app/resource.h"

namespace {

struct SizeCase {
  std::optional<int> stored;
  int edge;
  int width;
  int height;
};

std::string MenuText(HMENU menu, UINT position) {
  char text[128] = "";
  ::GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

struct MenuItem {
  std::string text;
  UINT id;  // 0 for a separator
};

std::vector<MenuItem> PopupItems(HMENU popup) {
  std::vector<MenuItem> items;
  for (int i = 0; i < ::GetMenuItemCount(popup); ++i) {
    UINT id = ::GetMenuItemID(popup, i);
    items.push_back({MenuText(popup, static_cast<UINT>(i)), id});
  }
  return items;
}

bool operator==(const MenuItem& a, const MenuItem& b) { return a.text == b.text && a.id == b.id; }

void PrintTo(const MenuItem& item, std::ostream* os) { *os << '"' << item.text << "\" " << item.id; }

SIZE IconSize(HICON icon) {
  ICONINFO info = {};
  if (!::GetIconInfo(icon, &info)) return {0, 0};
  BITMAP bitmap = {};
  ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  return {bitmap.bmWidth, bitmap.bmHeight};
}

}  // namespace

// The outer size follows the stored "Window Size", clamped, and the view's
// client area is then exactly edge x edge.
TEST(MainFrame, SizeFollowsTheStoredWindowSize) {
  const SizeCase cases[] = {{std::nullopt, 400, 410, 448}, {50, 128, 138, 176}, {5000, 1024, 1034, 1072},
                            {401, 401, 411, 449}};
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.edge);
    ClearSettings();
    if (c.stored) StoreSetting("Window Size", *c.stored);
    CMainFrame* frame = CreateMainFrame();
    ASSERT_NE(frame, nullptr);
    CRect outer = frame->GetWindowRect();
    EXPECT_EQ(outer.Width(), c.width);
    EXPECT_EQ(outer.Height(), c.height);
    CRect client = frame->View().GetClientRect();
    EXPECT_EQ(client.Width(), c.edge);
    EXPECT_EQ(client.Height(), c.edge);
    EXPECT_EQ(frame->View().Parameters().edge, c.edge);
    // Reading the size must not store it.
    EXPECT_EQ(StoredSetting("Window Size"), c.stored);
    frame->DestroyWindow();
  }
  ClearSettings();
}

// The largest size the frame allows is read from the store at every ask, so
// a new stored size takes effect without recreating the window.
TEST(MainFrame, MaximumSizeIsReadAgainEachTime) {
  ClearSettings();
  CMainFrame* frame = CreateMainFrame();
  ASSERT_NE(frame, nullptr);
  MINMAXINFO info = {};
  frame->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMaxSize.x, 410);
  EXPECT_EQ(info.ptMaxSize.y, 448);
  StoreSetting("Window Size", 600);
  info = {};
  frame->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMaxSize.x, 610);
  EXPECT_EQ(info.ptMaxSize.y, 648);
  StoreSetting("Window Size", 20);
  info = {};
  frame->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMaxSize.x, 138);
  EXPECT_EQ(info.ptMaxSize.y, 176);
  frame->DestroyWindow();
  ClearSettings();
}

// A fixed captioned window named after the program, with the view as its one
// sunken child pane.
TEST(MainFrame, WindowsAreMadeAsTheProgramNeeds) {
  ClearSettings();
  CMainFrame* frame = CreateMainFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetWindowText(), "Fractavo");

  DWORD style = frame->GetStyle();
  EXPECT_EQ(style & 0x00CA0000u, 0x00CA0000u);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD), 0u);
  EXPECT_EQ(::GetWindowLongPtrA(*frame, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  HWND frameHwnd = *frame;
  EXPECT_EQ(::GetClassLongPtrA(frameHwnd, GCL_STYLE), 0);
  EXPECT_EQ(::GetClassLongPtrA(frameHwnd, GCLP_HCURSOR), 0);
  EXPECT_EQ(::GetClassLongPtrA(frameHwnd, GCLP_HBRBACKGROUND), 0);
  EXPECT_EQ(::GetClassLongPtrA(frameHwnd, GCLP_HICON), 0);

  HWND view = frame->View();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(::GetWindow(frameHwnd, GW_CHILD), view);
  EXPECT_EQ(::GetWindow(view, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(::GetDlgCtrlID(view), AFX_IDW_PANE_FIRST);
  DWORD viewStyle = frame->View().GetStyle();
  EXPECT_EQ(viewStyle & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(viewStyle & WS_BORDER, 0u);
  EXPECT_NE(::GetWindowLongPtrA(view, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(::GetClassLongPtrA(view, GCL_STYLE), CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
  EXPECT_EQ(reinterpret_cast<HCURSOR>(::GetClassLongPtrA(view, GCLP_HCURSOR)), ::LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(::GetClassLongPtrA(view, GCLP_HBRBACKGROUND), COLOR_WINDOW + 1);

  HICON big = reinterpret_cast<HICON>(frame->SendMessage(WM_GETICON, ICON_BIG));
  HICON small = reinterpret_cast<HICON>(frame->SendMessage(WM_GETICON, ICON_SMALL));
  ASSERT_NE(big, nullptr);
  ASSERT_NE(small, nullptr);
  SIZE bigSize = IconSize(big), smallSize = IconSize(small);
  EXPECT_EQ(bigSize.cx, ::GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(bigSize.cy, ::GetSystemMetrics(SM_CYICON));
  EXPECT_EQ(smallSize.cx, ::GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(smallSize.cy, ::GetSystemMetrics(SM_CYSMICON));
  frame->DestroyWindow();
}

TEST(MainFrame, MenuHoldsTheTabledItems) {
  CMainFrame* frame = CreateMainFrame();
  ASSERT_NE(frame, nullptr);
  HMENU bar = ::GetMenu(*frame);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(::GetMenuItemCount(bar), 3);
  EXPECT_EQ(MenuText(bar, 0), "&File");
  EXPECT_EQ(MenuText(bar, 1), "&View");
  EXPECT_EQ(MenuText(bar, 2), "&Help");

  const std::vector<MenuItem> file = {{"Save Spot\tF7", 32774}, {"&Load Spot\tF8", 32775}, {"", 0},
                                      {"&Save\tCtrl+S", 32776}, {"Copy\tCtrl+C", 32777},   {"", 0},
                                      {"E&xit", 57665}};
  const std::vector<MenuItem> view = {
      {"&Start/Restart\tCtrl+R", 32771}, {"&Refresh\tF5", 32773}, {"&Options\tCtrl+O", 32772}};
  const std::vector<MenuItem> help = {{"&About Fractavo...", 57664}};
  EXPECT_EQ(PopupItems(::GetSubMenu(bar, 0)), file);
  EXPECT_EQ(PopupItems(::GetSubMenu(bar, 1)), view);
  EXPECT_EQ(PopupItems(::GetSubMenu(bar, 2)), help);
  for (int i : {2, 5})
    EXPECT_NE(::GetMenuState(::GetSubMenu(bar, 0), static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR, 0u);
  frame->DestroyWindow();
}

TEST(MainFrame, AcceleratorsAreTheTabledKeys) {
  HACCEL table = ::LoadAcceleratorsA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
  ASSERT_NE(table, nullptr);
  std::vector<ACCEL> keys(static_cast<size_t>(::CopyAcceleratorTableA(table, nullptr, 0)));
  ASSERT_EQ(keys.size(), 7u);
  ::CopyAcceleratorTableA(table, keys.data(), static_cast<int>(keys.size()));
  const BYTE plain = FVIRTKEY | FNOINVERT, ctrl = FVIRTKEY | FNOINVERT | FCONTROL;
  const ACCEL expected[] = {{plain, VK_F7, 32774}, {plain, VK_F8, 32775}, {ctrl, 'S', 32776}, {ctrl, 'C', 32777},
                            {ctrl, 'R', 32771},    {plain, VK_F5, 32773}, {ctrl, 'O', 32772}};
  for (const ACCEL& want : expected) {
    SCOPED_TRACE(want.cmd);
    int matches = 0;
    for (const ACCEL& have : keys)
      if (have.cmd == want.cmd && have.key == want.key && (have.fVirt & 0x7F) == want.fVirt) ++matches;
    EXPECT_EQ(matches, 1);
  }
  ::DestroyAcceleratorTable(table);
}

// The program's own start: a shown main window that ends the message loop
// when it goes.
TEST(FractalApp, InitInstanceShowsTheMainFrame) {
  ClearSettings();
  CWinApp* app = AfxGetApp();
  ASSERT_TRUE(app->InitInstance());
  auto* frame = dynamic_cast<CMainFrame*>(app->m_pMainWnd);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(::IsWindowVisible(*frame));
  EXPECT_EQ(app->m_registryKey, "Brisklane");
  EXPECT_EQ(frame->GetWindowRect().Width(), 410);
  // Nothing is stored at start-up.
  EXPECT_EQ(StoredSetting("Window Size"), std::nullopt);

  frame->DestroyWindow();
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  MSG quit;
  EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

namespace {
// Changes the window metrics for this test only.
class ThickerMetrics {
 public:
  ThickerMetrics() {
    m_saved.cbSize = sizeof m_saved;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m_saved, &m_saved, 0);
    NONCLIENTMETRICSA bigger = m_saved;
    bigger.iCaptionHeight += 9;
    bigger.iMenuHeight += 7;
    bigger.iBorderWidth += 3;
    ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof bigger, &bigger, 0);
  }
  ~ThickerMetrics() { ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof m_saved, &m_saved, 0); }

 private:
  NONCLIENTMETRICSA m_saved = {};
};
}  // namespace

// With a taller caption and menu the frame grows, so the image is not cut.
TEST(MainFrame, ViewIsEdgeSquareWithOtherWindowMetrics) {
  ClearSettings();
  int caption = ::GetSystemMetrics(SM_CYCAPTION);
  ThickerMetrics metrics;
  ASSERT_NE(::GetSystemMetrics(SM_CYCAPTION), caption) << "the metrics could not be changed here";
  CMainFrame* frame = CreateMainFrame();
  ASSERT_NE(frame, nullptr);
  CRect client = frame->View().GetClientRect();
  EXPECT_EQ(client.Width(), 400);
  EXPECT_EQ(client.Height(), 400);
  frame->DestroyWindow();
}

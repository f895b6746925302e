#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "GuiTest.h"
#include "app/FractalApp.h"
#include "app/MainFrame.h"
#include "app/resource.h"

namespace {

std::vector<std::pair<std::string, UINT>> Items(HMENU menu) {
  std::vector<std::pair<std::string, UINT>> items;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    char text[128] = "";
    ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    items.emplace_back(text, ::GetMenuItemID(menu, i));
  }
  return items;
}

using Size = std::pair<int, int>;
Size SizeOf(const CRect& r) { return {r.Width(), r.Height()}; }

Size IconSize(HICON icon) {
  ICONINFO info = {};
  if (!::GetIconInfo(icon, &info)) return {0, 0};
  BITMAP bitmap = {};
  ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  return {bitmap.bmWidth, bitmap.bmHeight};
}

Size MaxSize(CMainFrame* frame) {
  MINMAXINFO info = {};
  frame->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  return {static_cast<int>(info.ptMaxSize.x), static_cast<int>(info.ptMaxSize.y)};
}

// Changes the window metrics for the life of the object.
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

// The outer size follows the stored "Window Size", clamped, without storing
// it, and the view's client area is then exactly edge x edge. The largest
// size is read again at every ask, so a new stored size needs no new window.
TEST(MainFrame, SizeFollowsTheStoredWindowSize) {
  const struct {
    std::optional<int> stored;
    int edge, width, height;
  } cases[] = {{std::nullopt, 400, 410, 448}, {50, 128, 138, 176}, {5000, 1024, 1034, 1072}, {401, 401, 411, 449}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.edge);
    ClearSettings();
    if (c.stored) StoreSetting("Window Size", *c.stored);
    CMainFrame* frame = CreateMainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(SizeOf(frame->GetWindowRect()), Size(c.width, c.height));
    EXPECT_EQ(SizeOf(frame->View().GetClientRect()), Size(c.edge, c.edge));
    EXPECT_EQ(frame->View().Parameters().edge, c.edge);
    EXPECT_EQ(StoredSetting("Window Size"), c.stored);
    EXPECT_EQ(MaxSize(frame), Size(c.width, c.height));
    StoreSetting("Window Size", 600);
    EXPECT_EQ(MaxSize(frame), Size(610, 648));
    frame->DestroyWindow();
  }
  ClearSettings();
}

// With a taller caption and menu and a wider border the frame grows, so the
// image is not cut.
TEST(MainFrame, ViewIsEdgeSquareWithOtherWindowMetrics) {
  ClearSettings();
  const int caption = ::GetSystemMetrics(SM_CYCAPTION);
  ThickerMetrics metrics;
  ASSERT_NE(::GetSystemMetrics(SM_CYCAPTION), caption) << "the metrics could not be changed here";
  CMainFrame* frame = CreateMainFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(SizeOf(frame->View().GetClientRect()), Size(400, 400));
  EXPECT_EQ(MaxSize(frame), SizeOf(frame->GetWindowRect()));
  frame->DestroyWindow();
}

// A fixed captioned window named after the program, with the view as its one
// sunken child pane, the program's icon in both sizes, and the tabled menu
// and keys.
TEST(MainFrame, MadeFromTheProgramsResources) {
  ClearSettings();
  CMainFrame* frame = CreateMainFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetWindowText(), "Fractavo");
  EXPECT_EQ(frame->GetStyle() & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD),
            static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));

  HWND view = frame->View();
  EXPECT_EQ(::GetWindow(*frame, GW_CHILD), view);
  EXPECT_EQ(::GetWindow(view, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(::GetDlgCtrlID(view), AFX_IDW_PANE_FIRST);
  EXPECT_EQ(frame->View().GetStyle() & (WS_CHILD | WS_VISIBLE | WS_BORDER), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
  EXPECT_NE(::GetWindowLongPtrA(view, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(::GetClassLongPtrA(view, GCL_STYLE), CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
  EXPECT_EQ(reinterpret_cast<HCURSOR>(::GetClassLongPtrA(view, GCLP_HCURSOR)), ::LoadCursor(nullptr, IDC_ARROW));

  EXPECT_EQ(IconSize(reinterpret_cast<HICON>(frame->SendMessage(WM_GETICON, ICON_BIG))),
            Size(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)));
  EXPECT_EQ(IconSize(reinterpret_cast<HICON>(frame->SendMessage(WM_GETICON, ICON_SMALL))),
            Size(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)));

  HMENU bar = ::GetMenu(*frame);
  using Menu = std::vector<std::pair<std::string, UINT>>;
  EXPECT_EQ(Items(bar), (Menu{{"&File", UINT(-1)}, {"&View", UINT(-1)}, {"&Help", UINT(-1)}}));
  EXPECT_EQ(Items(::GetSubMenu(bar, 0)), (Menu{{"Save Spot\tF7", 32774},
                                               {"&Load Spot\tF8", 32775},
                                               {"", 0},
                                               {"&Save\tCtrl+S", 32776},
                                               {"Copy\tCtrl+C", 32777},
                                               {"", 0},
                                               {"E&xit", 57665}}));
  EXPECT_EQ(Items(::GetSubMenu(bar, 1)),
            (Menu{{"&Start/Restart\tCtrl+R", 32771}, {"&Refresh\tF5", 32773}, {"&Options\tCtrl+O", 32772}}));
  EXPECT_EQ(Items(::GetSubMenu(bar, 2)), (Menu{{"&About Fractavo...", 57664}}));
  frame->DestroyWindow();

  HACCEL table = ::LoadAcceleratorsA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
  ASSERT_NE(table, nullptr);
  std::vector<ACCEL> keys(static_cast<size_t>(::CopyAcceleratorTableA(table, nullptr, 0)));
  ::CopyAcceleratorTableA(table, keys.data(), static_cast<int>(keys.size()));
  ::DestroyAcceleratorTable(table);
  std::vector<std::tuple<WORD, WORD, BYTE>> have;
  for (const ACCEL& key : keys) have.emplace_back(key.cmd, key.key, key.fVirt & 0x7F);
  std::sort(have.begin(), have.end());
  const BYTE plain = FVIRTKEY | FNOINVERT, ctrl = FVIRTKEY | FNOINVERT | FCONTROL;
  EXPECT_EQ(have, (std::vector<std::tuple<WORD, WORD, BYTE>>{{32771, 'R', ctrl},
                                                             {32772, 'O', ctrl},
                                                             {32773, VK_F5, plain},
                                                             {32774, VK_F7, plain},
                                                             {32775, VK_F8, plain},
                                                             {32776, 'S', ctrl},
                                                             {32777, 'C', ctrl}}));
}

// The program's own start: a shown main window that ends the message loop
// when it goes.
TEST(FractalApp, InitInstanceShowsTheMainFrame) {
  ClearSettings();
  CWinApp* app = AfxGetApp();
  ASSERT_TRUE(app->InitInstance());
  auto* frame = dynamic_cast<CMainFrame*>(app->m_mainWnd);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(::IsWindowVisible(*frame));
  frame->DestroyWindow();
  EXPECT_EQ(app->m_mainWnd, nullptr);
  MSG quit;
  EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

namespace {

// A frame that would also take Refresh and Exit: the view still comes first,
// and the frame comes before the application.
class CRoutingFrame : public CMainFrame {
 public:
  int refreshes = 0;
  int exits = 0;

 protected:
  void OnFrameRefresh() { ++refreshes; }
  void OnFrameExit() { ++exits; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRoutingFrame, CMainFrame)
  ON_COMMAND(ID_VIEW_REFRESH, OnFrameRefresh)
  ON_COMMAND(ID_APP_EXIT, OnFrameExit)
END_MESSAGE_MAP()

}  // namespace

TEST(Commands, ViewThenFrameThenApplication) {
  ClearSettings();
  StoreSetting("Window Size", 128);
  CWinApp* app = AfxGetApp();
  auto* frame = new CRoutingFrame;
  ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, CMainFrame::kStyle));
  frame->SendMessage(WM_COMMAND, ID_VIEW_REFRESH);
  EXPECT_FALSE(frame->View().Parameters().notRendered);
  EXPECT_EQ(frame->refreshes, 0);
  frame->SendMessage(WM_COMMAND, ID_APP_EXIT);
  EXPECT_EQ(frame->exits, 1);
  frame->DestroyWindow();

  // Exit is otherwise the application's: it closes the main window, which ends the loop.
  CMainFrame* plain = CreateMainFrame();
  ASSERT_NE(plain, nullptr);
  app->m_mainWnd = plain;
  HWND hwnd = *plain;
  ::SendMessageA(hwnd, WM_COMMAND, ID_APP_EXIT, 0);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(app->m_mainWnd, nullptr);
  MSG quit;
  EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  ClearSettings();
}

namespace {

// While set, a deleted block is zeroed and kept rather than released, as a
// checking heap would: an object read after its deletion reads zeros, and a
// second delete of the same block is counted instead of corrupting the heap.
bool quarantine = false;
std::array<void*, 4096> quarantined;
std::size_t quarantinedCount = 0;
int doubleDeletes = 0;

void ReleaseQuarantine() {
  quarantine = false;
  for (std::size_t i = 0; i < quarantinedCount; ++i) std::free(quarantined[i]);
  quarantinedCount = 0;
}
}  // namespace

void operator delete(void* p) noexcept {
  if (p && quarantine && quarantinedCount < quarantined.size()) {
    if (std::find(quarantined.begin(), quarantined.begin() + quarantinedCount, p) !=
        quarantined.begin() + quarantinedCount) {
      ++doubleDeletes;
      return;
    }
    std::memset(p, 0, _msize(p));
    quarantined[quarantinedCount++] = p;
    return;
  }
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

template <typename Function>
Function* SystemFunction(const char* module, const char* name) {
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA(module), name)));
}

int destroyedIcons = 0;

BOOL WINAPI CountingDestroyIcon(HICON icon) {
  ++destroyedIcons;
  return SystemFunction<decltype(::DestroyIcon)>("user32.dll", "DestroyIcon")(icon);
}

// Every window but the view's pane is created as usual.
HWND WINAPI NoPane(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int width, int height,
                   HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  if ((style & WS_CHILD) && reinterpret_cast<UINT_PTR>(menu) == AFX_IDW_PANE_FIRST) return nullptr;
  return SystemFunction<decltype(::CreateWindowExA)>("user32.dll", "CreateWindowExA")(
      exStyle, className, name, style, x, y, width, height, parent, menu, instance, param);
}

}  // namespace

// A view that cannot be created takes the frame's window with it: the frame
// is deleted exactly once (its destructor destroys the two icons), and the
// start fails with no main window left to run a message loop for.
TEST(FractalApp, AFrameWithoutItsViewEndsTheStartOnce) {
  ClearSettings();
  CWinApp* app = AfxGetApp();
  destroyedIcons = 0;
  {
    ScopedImportPatch noPane("user32.dll", "CreateWindowExA", reinterpret_cast<const void*>(&NoPane));
    ScopedImportPatch counting("user32.dll", "DestroyIcon", reinterpret_cast<const void*>(&CountingDestroyIcon));
    ASSERT_TRUE(noPane.Active() && counting.Active());
    doubleDeletes = 0;
    quarantine = true;
    EXPECT_FALSE(app->InitInstance());
    ReleaseQuarantine();
  }
  EXPECT_EQ(destroyedIcons, 2);
  EXPECT_EQ(doubleDeletes, 0);
  EXPECT_EQ(app->m_mainWnd, nullptr);
  MSG quit;
  ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

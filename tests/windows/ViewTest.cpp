#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"
#include "view/Renderer.h"

namespace {

using Pixels = std::vector<std::uint32_t>;

// edge x edge pixels of dc, top row first, as 0x00RRGGBB.
Pixels ReadPixels(HDC dc, int edge) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, edge, -edge, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP section = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(memory, section);
  ::BitBlt(memory, 0, 0, edge, edge, dc, 0, 0, SRCCOPY);
  ::GdiFlush();
  const auto* first = static_cast<const std::uint32_t*>(bits);
  Pixels pixels(first, first + static_cast<size_t>(edge) * static_cast<size_t>(edge));
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DeleteObject(section);
  for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

// Counts differing pixels, so a failure prints a number, not 160000 values.
size_t Differences(const Pixels& a, const Pixels& b) {
  if (a.size() != b.size()) return a.size() + b.size();
  size_t count = 0;
  for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
  return count;
}

// Stands in for the save dialog: a Save that runs is counted and ends at once.
int saveDialogs = 0;
BOOL WINAPI CountSaveDialog(LPOPENFILENAMEA) { return ++saveDialogs, FALSE; }

std::tuple<double, double, double> Region(const ViewParameters& p) { return {p.centreX, p.centreY, p.halfWidth}; }

struct Click {
  UINT message;
  int x, y;
};

class ViewTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    StoreSetting("Zoom Rate", 5);
    StoreSetting("Max Iterations", 64);
    frame = CreateMainFrame();
    ASSERT_NE(frame, nullptr);
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    PumpMessages();
  }
  void TearDown() override {
    if (frame) frame->DestroyWindow();
    ClearSettings();
  }

  CFractalView& View() { return frame->View(); }
  ViewParameters& Params() { return View().Parameters(); }

  void Send(const Click& c) { View().SendMessage(c.message, 0, MAKELPARAM(c.x, c.y)); }
  // Posts the clicks, then handles them all, as if made during a render.
  void Queue(std::initializer_list<Click> clicks) {
    for (const Click& c : clicks) View().PostMessage(c.message, 0, MAKELPARAM(c.x, c.y));
    PumpMessages();
  }
  void Command(UINT id) { frame->SendMessage(WM_COMMAND, id); }

  // Whether the menu shows the item enabled when its popup opens.
  bool ItemEnabled(int popup, UINT id) {
    HMENU menu = ::GetSubMenu(::GetMenu(*frame), popup);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(popup, FALSE));
    return (::GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
  }

  void ExpectRegion(const ViewParameters& want) { EXPECT_EQ(Region(Params()), Region(want)); }
  Pixels WindowPixels() {
    HDC dc = ::GetDC(View());
    Pixels pixels = ReadPixels(dc, Params().edge);
    ::ReleaseDC(View(), dc);
    return pixels;
  }
  // The off-screen image and the window both hold exactly these pixels.
  void ExpectShowing(const Pixels& expected) {
    EXPECT_EQ(Differences(WindowPixels(), expected), 0u);
    EXPECT_EQ(Differences(ReadPixels(View().ImageDC(), Params().edge), expected), 0u);
  }
  void ExpectShowing(const ViewParameters& want) {
    Pixels pixels(static_cast<size_t>(want.edge) * static_cast<size_t>(want.edge));
    RenderScalar(want, pixels.data());
    ExpectShowing(pixels);
  }

  CMainFrame* frame = nullptr;
};

// Black, with the image commands greyed and Ctrl+S refused, until the first
// render; Ctrl+R reaches the view through the frame's accelerators.
TEST_F(ViewTest, BeforeAndAfterTheFirstRender) {
  EXPECT_TRUE(Params().notRendered);
  EXPECT_EQ(Params().zoomRate, 5);
  ExpectShowing(Pixels(static_cast<size_t>(Params().edge * Params().edge), 0));
  const UINT needImage[] = {ID_FILE_SAVE_SPOT, ID_FILE_SAVE_BMP, ID_FILE_COPY};
  for (UINT id : needImage) EXPECT_FALSE(ItemEnabled(0, id)) << id;
  for (UINT id : {ID_FILE_LOAD_SPOT, ID_APP_EXIT}) EXPECT_TRUE(ItemEnabled(0, id)) << id;
  for (UINT id : {ID_VIEW_RESTART, ID_VIEW_REFRESH, ID_VIEW_OPTIONS}) EXPECT_TRUE(ItemEnabled(1, id)) << id;
  EXPECT_TRUE(ItemEnabled(2, ID_APP_ABOUT));

  ScopedImportPatch saveDialog("comdlg32.dll", "GetSaveFileNameA", reinterpret_cast<const void*>(&CountSaveDialog));
  ASSERT_TRUE(saveDialog.Active());
  EXPECT_TRUE(PressCtrlKey(*frame, View(), 'S'));
  EXPECT_EQ(saveDialogs, 0);
  EXPECT_TRUE(Params().notRendered);

  EXPECT_TRUE(PressCtrlKey(*frame, View(), 'R'));
  EXPECT_FALSE(Params().notRendered);
  ExpectShowing(Params());
  for (UINT id : needImage) EXPECT_TRUE(ItemEnabled(0, id)) << id;
  PressCtrlKey(*frame, View(), 'S');
  EXPECT_EQ(saveDialogs, 1);
}

// Whichever button is clicked first, the initial region is drawn, not a zoom
// about the clicked point; then left, right and middle clicks zoom in, out
// and recentre about the clicked pixel as the core says.
TEST_F(ViewTest, FirstClickRendersThenClicksZoom) {
  for (UINT first : {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP}) {
    SCOPED_TRACE(first);
    TearDown();
    SetUp();
    ViewParameters expected = Params();
    Send({first, 37, 310});
    EXPECT_FALSE(Params().notRendered);
    ExpectRegion(expected);
    ExpectShowing(expected);
    for (const Click& c :
         {Click{WM_LBUTTONUP, 300, 120}, {WM_RBUTTONUP, 13, 390}, {WM_MBUTTONUP, 399, 0}, {WM_LBUTTONUP, 0, 399}}) {
      Send(c);
      expected.ZoomAt(c.x, c.y, c.message == WM_LBUTTONUP ? +1 : c.message == WM_RBUTTONUP ? -1 : 0);
      ExpectRegion(expected);
    }
    ExpectShowing(expected);
  }
}

// Refresh renders the current region (before any click, too); Restart goes
// back to the initial region but keeps the iteration limit; painting copies
// from the off-screen image without rendering again.
TEST_F(ViewTest, RefreshRestartAndPaint) {
  Params().maxIterations = 30;
  Params().ComputeGradient();
  Command(ID_VIEW_REFRESH);
  EXPECT_FALSE(Params().notRendered);
  ExpectShowing(Params());

  Send({WM_LBUTTONUP, 100, 80});
  Send({WM_RBUTTONUP, 310, 290});
  const ViewParameters zoomed = Params();
  Command(ID_VIEW_REFRESH);
  ExpectRegion(zoomed);
  ExpectShowing(zoomed);

  Command(ID_VIEW_RESTART);
  EXPECT_EQ(Region(Params()), std::make_tuple(0.0, 0.0, 2.0));
  EXPECT_EQ(Params().maxIterations, 30);
  ExpectShowing(Params());

  HDC dc = ::GetDC(View());
  FillSolidRect(dc, CRect(50, 60, 350, 70), RGB(255, 0, 0));
  ::ReleaseDC(View(), dc);
  const Pixels image = ReadPixels(View().ImageDC(), Params().edge);
  ASSERT_NE(Differences(WindowPixels(), image), 0u);
  Params().maxIterations = 3;  // a render now would show other pixels
  Params().ComputeGradient();
  ::InvalidateRect(View(), nullptr, TRUE);
  ::UpdateWindow(View());
  ExpectShowing(image);
}

// A render drops one queued button-up of each kind: of clicks made while it
// ran, the first of each button is lost and any further one is handled.
TEST_F(ViewTest, ClicksQueuedDuringARender) {
  Queue({{WM_LBUTTONUP, 10, 10}, {WM_LBUTTONUP, 20, 20}});  // the first render drops the second
  ViewParameters expected = Params();
  expected.Reset();
  ExpectRegion(expected);

  Queue({{WM_LBUTTONUP, 300, 100}, {WM_LBUTTONUP, 50, 50}, {WM_LBUTTONUP, 120, 330}});
  expected.ZoomAt(300, 100, +1);
  expected.ZoomAt(120, 330, +1);
  ExpectRegion(expected);

  Queue({{WM_LBUTTONUP, 210, 190},
         {WM_LBUTTONUP, 1, 1},
         {WM_RBUTTONUP, 2, 2},
         {WM_MBUTTONUP, 3, 3},
         {WM_MBUTTONUP, 250, 150}});
  expected.ZoomAt(210, 190, +1);
  expected.ZoomAt(250, 150, 0);
  ExpectRegion(expected);
  ExpectShowing(expected);
}

}  // namespace

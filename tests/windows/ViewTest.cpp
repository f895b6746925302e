#include <gtest/gtest.h>

#include <cstdint>
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
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = edge;
  info.bmiHeader.biHeight = -edge;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
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

Pixels KernelPixels(const ViewParameters& params) {
  Pixels pixels(static_cast<size_t>(params.edge) * static_cast<size_t>(params.edge));
  RenderScalar(params, pixels.data());
  return pixels;
}

// Counts differing pixels, so a failure prints a number, not 160000 values.
size_t Differences(const Pixels& a, const Pixels& b) {
  if (a.size() != b.size()) return a.size() + b.size();
  size_t count = 0;
  for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
  return count;
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

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
  int Edge() { return Params().edge; }

  Pixels WindowPixels() {
    HDC dc = ::GetDC(View());
    Pixels pixels = ReadPixels(dc, Edge());
    ::ReleaseDC(View(), dc);
    return pixels;
  }
  Pixels ImagePixels() { return ReadPixels(View().ImageDC(), Edge()); }

  void Click(UINT message, int x, int y) { View().SendMessage(message, 0, At(x, y)); }
  void Command(UINT id) { frame->SendMessage(WM_COMMAND, id); }

  // Enabled state of the items of one menu bar popup, as the user would see them.
  bool ItemEnabled(int popup, UINT id) {
    HMENU menu = ::GetSubMenu(::GetMenu(*frame), popup);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(popup, FALSE));
    return (::GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
  }

  void ExpectRegion(const ViewParameters& want) {
    EXPECT_EQ(Params().centreX, want.centreX);
    EXPECT_EQ(Params().centreY, want.centreY);
    EXPECT_EQ(Params().halfWidth, want.halfWidth);
  }
  void ExpectShowing(const ViewParameters& want) {
    Pixels expected = KernelPixels(want);
    EXPECT_EQ(Differences(ImagePixels(), expected), 0u);
    EXPECT_EQ(Differences(WindowPixels(), expected), 0u);
  }

  CMainFrame* frame = nullptr;
};

TEST_F(ViewTest, StartsBlackWithNothingRendered) {
  EXPECT_TRUE(Params().notRendered);
  EXPECT_EQ(Params().zoomRate, 5);
  const Pixels black(static_cast<size_t>(Edge() * Edge()), 0);
  EXPECT_EQ(Differences(ImagePixels(), black), 0u);
  EXPECT_EQ(Differences(WindowPixels(), black), 0u);
}

// Whichever button is clicked first, the initial region is drawn, not a zoom
// about the clicked point.
TEST_F(ViewTest, FirstClickRendersTheInitialRegion) {
  for (UINT button : {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP}) {
    SCOPED_TRACE(button);
    TearDown();
    SetUp();
    const ViewParameters initial = Params();
    Click(button, 37, 310);
    EXPECT_FALSE(Params().notRendered);
    ExpectRegion(initial);
    ExpectShowing(initial);
  }
}

TEST_F(ViewTest, ClicksZoomAboutTheClickedPixel) {
  Click(WM_LBUTTONUP, 200, 200);
  ViewParameters expected = Params();
  struct {
    UINT message;
    int x, y, direction;
  } clicks[] = {{WM_LBUTTONUP, 300, 120, +1}, {WM_RBUTTONUP, 13, 390, -1}, {WM_MBUTTONUP, 399, 0, 0},
                {WM_LBUTTONUP, 0, 399, +1},   {WM_LBUTTONUP, 200, 200, +1}};
  for (const auto& c : clicks) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.direction);
    Click(c.message, c.x, c.y);
    expected.ZoomAt(c.x, c.y, c.direction);
    ExpectRegion(expected);
  }
  ExpectShowing(expected);
}

// Painting copies from the off-screen image: damage to the window is repaired
// without rendering again.
TEST_F(ViewTest, PaintRestoresTheImage) {
  Command(ID_VIEW_RESTART);
  const ViewParameters shown = Params();
  HDC dc = ::GetDC(View());
  FillSolidRect(dc, CRect(50, 60, 350, 70), RGB(255, 0, 0));
  ::ReleaseDC(View(), dc);
  ASSERT_NE(Differences(WindowPixels(), KernelPixels(shown)), 0u);
  ::InvalidateRect(View(), nullptr, TRUE);
  ::UpdateWindow(View());
  ExpectShowing(shown);
}

TEST_F(ViewTest, RestartAndRefresh) {
  // Refresh before any click renders the current region and ends the
  // not-rendered state.
  Params().maxIterations = 30;
  Params().ComputeGradient();
  Command(ID_VIEW_REFRESH);
  EXPECT_FALSE(Params().notRendered);
  ExpectShowing(Params());

  Click(WM_LBUTTONUP, 100, 80);
  Click(WM_RBUTTONUP, 310, 290);
  const ViewParameters zoomed = Params();
  Command(ID_VIEW_REFRESH);
  ExpectRegion(zoomed);
  ExpectShowing(zoomed);

  // Restart goes back to the initial region but keeps the iteration limit.
  Command(ID_VIEW_RESTART);
  EXPECT_EQ(Params().centreX, 0.0);
  EXPECT_EQ(Params().centreY, 0.0);
  EXPECT_EQ(Params().halfWidth, 2.0);
  EXPECT_EQ(Params().maxIterations, 30);
  ExpectShowing(Params());
}

TEST_F(ViewTest, ImageCommandsAreGreyedUntilTheFirstRender) {
  const UINT needImage[] = {ID_FILE_SAVE_SPOT, ID_FILE_SAVE_BMP, ID_FILE_COPY};
  const UINT always[] = {ID_FILE_LOAD_SPOT, ID_APP_EXIT};
  const UINT view[] = {ID_VIEW_RESTART, ID_VIEW_REFRESH, ID_VIEW_OPTIONS};
  for (UINT id : needImage) EXPECT_FALSE(ItemEnabled(0, id)) << id;
  for (UINT id : always) EXPECT_TRUE(ItemEnabled(0, id)) << id;
  for (UINT id : view) EXPECT_TRUE(ItemEnabled(1, id)) << id;
  EXPECT_TRUE(ItemEnabled(2, ID_APP_ABOUT));

  Click(WM_MBUTTONUP, 5, 5);
  for (UINT id : needImage) EXPECT_TRUE(ItemEnabled(0, id)) << id;
  for (UINT id : always) EXPECT_TRUE(ItemEnabled(0, id)) << id;
}

// The keys reach the view through the frame's accelerators, and Ctrl+S is
// refused while Save is greyed.
TEST_F(ViewTest, AcceleratorsBeforeTheFirstRender) {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  BYTE withCtrl[256];
  std::copy(std::begin(keys), std::end(keys), withCtrl);
  withCtrl[VK_CONTROL] = 0x80;
  ::SetKeyboardState(withCtrl);
  auto press = [&](WPARAM key) {
    MSG msg = {View(), WM_KEYDOWN, key, 0x00000001, ::GetTickCount(), {0, 0}};
    return frame->PreTranslateMessage(&msg);
  };
  RunSoon([] {
    // Anything that opened a window would be modal: close it and fail.
    HWND box = ::FindWindowA("#32770", nullptr);
    if (box && ::GetWindowThreadProcessId(box, nullptr) == ::GetCurrentThreadId()) {
      ADD_FAILURE() << "a dialog opened";
      ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    }
  });
  press('S');
  PumpMessages();
  ::Sleep(100);
  PumpMessages();
  EXPECT_TRUE(Params().notRendered);

  EXPECT_TRUE(press('R'));
  EXPECT_FALSE(Params().notRendered);
  ExpectShowing(Params());
  ::SetKeyboardState(keys);
}

// A render drops one queued button-up of each kind: of clicks made while it
// ran, the first of each button is lost and any further one is handled.
TEST_F(ViewTest, ClicksQueuedDuringARender) {
  // During the first render: the second click is dropped.
  View().PostMessage(WM_LBUTTONUP, 0, At(10, 10));
  View().PostMessage(WM_LBUTTONUP, 0, At(20, 20));
  PumpMessages();
  ViewParameters expected = Params();
  expected.Reset();
  ExpectRegion(expected);

  // Three left clicks: the first zooms, its render drops the second, the
  // third zooms once more.
  View().PostMessage(WM_LBUTTONUP, 0, At(300, 100));
  View().PostMessage(WM_LBUTTONUP, 0, At(50, 50));
  View().PostMessage(WM_LBUTTONUP, 0, At(120, 330));
  PumpMessages();
  expected.ZoomAt(300, 100, +1);
  expected.ZoomAt(120, 330, +1);
  ExpectRegion(expected);

  // Mixed buttons: after the first click's render one of each kind goes, and
  // the second middle click is what remains.
  View().PostMessage(WM_LBUTTONUP, 0, At(210, 190));
  View().PostMessage(WM_LBUTTONUP, 0, At(1, 1));
  View().PostMessage(WM_RBUTTONUP, 0, At(2, 2));
  View().PostMessage(WM_MBUTTONUP, 0, At(3, 3));
  View().PostMessage(WM_MBUTTONUP, 0, At(250, 150));
  PumpMessages();
  expected.ZoomAt(210, 190, +1);
  expected.ZoomAt(250, 150, 0);
  ExpectRegion(expected);
  ExpectShowing(expected);
}

}  // namespace

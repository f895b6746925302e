#include <gtest/gtest.h>

#include <vector>

#include "ColourLog.h"
#include "GuiTest.h"
#include "framework/Gdi.h"
#include "ui/SwatchButton.h"

namespace {

const COLORREF* const kTable = CSwatchPopup::kColours;
constexpr COLORREF kBlack = 0;
// The item rectangle sits off the origin so every offset is taken from it.
const CRect kItem(2, 3, 85, 26);

// A button drawn into a memory bitmap in the given item state.
class Drawn {
 public:
  Drawn(COLORREF colour, UINT state) {
    HDC screen = ::GetDC(nullptr);
    m_dc.CreateCompatibleDC(screen);
    m_bitmap.CreateCompatibleBitmap(screen, 90, 30);
    ::ReleaseDC(nullptr, screen);
    ::SelectObject(m_dc, m_bitmap);
    FillSolidRect(m_dc, CRect(0, 0, 90, 30), 0x00FF00FF);
    CSwatchButton button;
    button.colour = colour;
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hDC = m_dc;
    item.rcItem = kItem;
    button.DrawItem(&item);
  }
  COLORREF At(int x, int y) const { return ::GetPixel(m_dc, x, y); }
  // The columns of a row right of the swatch that have the given colour.
  std::vector<int> Run(int y, COLORREF colour) const {
    std::vector<int> xs;
    for (int x = kItem.right - 14; x < kItem.right - 2; ++x)
      if (At(x, y) == colour) xs.push_back(x);
    return xs;
  }

 private:
  CDC m_dc;
  CBitmap m_bitmap;
};

std::vector<int> Columns(int from, int to) {
  std::vector<int> xs;
  for (int x = from; x <= to; ++x) xs.push_back(x);
  return xs;
}

TEST(SwatchButtonDrawing, SwatchWithABlackFrameAndAFiveThreeOneArrow) {
  Drawn d(0x00336699, 0);
  EXPECT_EQ(d.At(7, 8), kBlack);    // frame: left 5, top 5 in
  EXPECT_EQ(d.At(69, 20), kBlack);  // right 15, bottom 5 in
  EXPECT_EQ(d.At(8, 9), 0x00336699u);
  EXPECT_EQ(d.At(68, 19), 0x00336699u);
  EXPECT_NE(d.At(6, 8), kBlack);
  EXPECT_NE(d.At(70, 20), kBlack);
  // x = right - 9 = 76, y = (3 + 26) / 2 = 14
  EXPECT_EQ(d.Run(13, kBlack), Columns(74, 78));
  EXPECT_EQ(d.Run(14, kBlack), Columns(75, 77));
  EXPECT_EQ(d.Run(15, kBlack), Columns(76, 76));
  EXPECT_TRUE(d.Run(16, kBlack).empty());
}

TEST(SwatchButtonDrawing, PressedShiftsSwatchAndArrowAndPushesTheFrame) {
  Drawn normal(0x00336699, 0);
  Drawn pressed(0x00336699, ODS_SELECTED);
  EXPECT_NE(pressed.At(kItem.left, kItem.top), normal.At(kItem.left, kItem.top));
  EXPECT_EQ(pressed.At(8, 9), kBlack);
  EXPECT_EQ(pressed.At(70, 21), kBlack);
  EXPECT_NE(pressed.At(7, 8), kBlack);
  EXPECT_EQ(pressed.At(9, 10), 0x00336699u);
  EXPECT_EQ(pressed.Run(14, kBlack), Columns(75, 79));
  EXPECT_EQ(pressed.Run(15, kBlack), Columns(76, 78));
  EXPECT_EQ(pressed.Run(16, kBlack), Columns(77, 77));
}

TEST(SwatchButtonDrawing, FocusRectangleThreePixelsIn) {
  Drawn plain(0x00336699, 0);
  Drawn focused(0x00336699, ODS_FOCUS);
  auto differsOnRow = [&](int y) {
    for (int x = kItem.left + 3; x < kItem.right - 3; ++x)
      if (plain.At(x, y) != focused.At(x, y)) return true;
    return false;
  };
  auto differsOnColumn = [&](int x) {
    for (int y = kItem.top + 3; y < kItem.bottom - 3; ++y)
      if (plain.At(x, y) != focused.At(x, y)) return true;
    return false;
  };
  EXPECT_TRUE(differsOnRow(kItem.top + 3));
  EXPECT_TRUE(differsOnRow(kItem.bottom - 4));
  EXPECT_TRUE(differsOnColumn(kItem.left + 3));
  EXPECT_TRUE(differsOnColumn(kItem.right - 4));
  EXPECT_FALSE(differsOnRow(kItem.top + 2));
  EXPECT_FALSE(differsOnRow(kItem.top + 4));
}

TEST(SwatchButtonDrawing, DisabledHasAnEmptySwatchAndAShadowArrow) {
  Drawn d(0x00336699, ODS_DISABLED);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  EXPECT_EQ(d.At(7, 8), face);
  EXPECT_EQ(d.At(30, 14), face);
  EXPECT_EQ(d.Run(13, shadow), Columns(74, 78));
  EXPECT_EQ(d.Run(15, shadow), Columns(76, 76));
}

ColourNote Note(UINT message, COLORREF colour) { return {message, colour, 1008}; }

class SwatchButton : public testing::Test {
 protected:
  void SetUp() override {
    ::SetCursorPos(1270, 1010);
    HWND hwnd = ::CreateWindowExA(0, "Button", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 20, 15, 83,
                                  23, parent, reinterpret_cast<HMENU>(1008), ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    button.colour = kTable[2];
    PumpMessages();
  }
  void TearDown() override {
    if (HWND popup = ::GetCapture()) ::DestroyWindow(popup);
    PumpMessages();
  }
  void Click() { button.SendMessage(BM_CLICK); }
  // The open popup is the window holding the mouse.
  HWND Popup() const {
    HWND capture = ::GetCapture();
    return capture && capture != button.m_hWnd ? capture : nullptr;
  }

  CColourLog parent{CRect(300, 300, 500, 400)};
  CSwatchButton button;
};

TEST_F(SwatchButton, ClickOpensThePopupUnderTheButtonAndForwardsTheChoice) {
  Click();
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  CRect buttonRect = button.GetWindowRect(), popupRect;
  ::GetWindowRect(popup, &popupRect);
  EXPECT_EQ(popupRect.TopLeft().x, buttonRect.left);
  EXPECT_EQ(popupRect.TopLeft().y, buttonRect.bottom);
  ::SendMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);
  ::SendMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);  // cell 0; tracking stays with the button
  ::SendMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(parent.notes, (std::vector<ColourNote>{Note(WM_COLOUROPEN, kTable[2]), Note(WM_COLOURCLOSE, kTable[0]),
                                                   Note(WM_COLOURACCEPT, kTable[0])}));
  EXPECT_EQ(button.colour, kTable[0]);
}

TEST_F(SwatchButton, CancelledPopupKeepsTheColour) {
  Click();
  ASSERT_NE(Popup(), nullptr);
  ::SendMessageA(Popup(), WM_KEYDOWN, VK_DOWN, 0);
  ::SendMessageA(Popup(), WM_KEYDOWN, VK_DOWN, 0);
  ::SendMessageA(Popup(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(parent.notes, (std::vector<ColourNote>{Note(WM_COLOUROPEN, kTable[2]), Note(WM_COLOURCLOSE, kTable[2]),
                                                   Note(WM_COLOURCANCEL, kTable[2])}));
  EXPECT_EQ(button.colour, kTable[2]);
}

TEST_F(SwatchButton, DoubleClickOpensOnTheSecondRelease) {
  button.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(button.SendMessage(BM_GETSTATE) & BST_PUSHED);
  EXPECT_TRUE(parent.notes.empty());
  button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(button.SendMessage(BM_GETSTATE) & BST_PUSHED);
  EXPECT_EQ(parent.notes, std::vector<ColourNote>{Note(WM_COLOUROPEN, kTable[2])});
  ASSERT_NE(Popup(), nullptr);
  ::SendMessageA(Popup(), WM_KEYDOWN, VK_ESCAPE, 0);
  parent.notes.clear();
  button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // the pending flag is spent
  EXPECT_TRUE(parent.notes.empty());
}

LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
  return code == HCBT_CREATEWND ? 1 : ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SwatchButton, APopupThatCannotOpenOnlyReportsTheOpening) {
  HHOOK hook = ::SetWindowsHookExA(WH_CBT, &RefuseWindows, nullptr, ::GetCurrentThreadId());
  Click();
  ::UnhookWindowsHookEx(hook);
  PumpMessages();
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_EQ(parent.notes, std::vector<ColourNote>{Note(WM_COLOUROPEN, kTable[2])});
  EXPECT_EQ(button.colour, kTable[2]);
}

}  // namespace

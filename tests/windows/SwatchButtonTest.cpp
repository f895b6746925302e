#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ColourLog.h"
#include "GuiTest.h"
#include "framework/Gdi.h"
#include "ui/SwatchButton.h"

namespace {

const COLORREF* const kTable = CSwatchPopup::kColours;
constexpr COLORREF kBlack = 0, kSwatch = 0x00336699;
// The item rectangle sits off the origin so every offset is taken from it.
const CRect kItem(2, 3, 85, 26);

// A button drawn into a memory bitmap in the given item state.
class Drawn {
 public:
  explicit Drawn(UINT state, COLORREF colour = kSwatch) {
    CClientDC screen(nullptr);
    m_dc.CreateCompatibleDC(screen.get());
    m_bitmap.CreateCompatibleBitmap(screen.get(), 90, 30);
    ::SelectObject(m_dc.get(), m_bitmap.get());
    FillSolidRect(m_dc.get(), CRect(0, 0, 90, 30), 0x00FF00FF);
    CSwatchButton button;
    button.m_colour = colour;
    DRAWITEMSTRUCT item = {ODT_BUTTON, 0, 0, ODA_DRAWENTIRE, state, nullptr, m_dc.get(), kItem, 0};
    button.DrawItem(&item);
  }
  COLORREF At(int x, int y) const { return ::GetPixel(m_dc.get(), x, y); }
  // The twelve columns right of the swatch on row y: 'x' where they have the colour.
  std::string Row(int y, COLORREF colour = kBlack) const {
    std::string row;
    for (int x = kItem.right - 14; x < kItem.right - 2; ++x) row += At(x, y) == colour ? 'x' : '.';
    return row;
  }

 private:
  CDC m_dc;
  CBitmap m_bitmap;
};

TEST(SwatchButtonDrawing, FramedSwatchAndArrowNormalPressedAndDisabled) {
  Drawn normal(0);
  EXPECT_EQ(normal.At(7, 8), kBlack);    // frame: left 5, top 5 in
  EXPECT_EQ(normal.At(69, 20), kBlack);  // right 15, bottom 5 in
  EXPECT_EQ(normal.At(8, 9), kSwatch);
  EXPECT_EQ(normal.At(68, 19), kSwatch);
  EXPECT_NE(normal.At(6, 8), kBlack);
  EXPECT_NE(normal.At(70, 20), kBlack);
  // Centred on x = right - 9 = 76, y = (3 + 26) / 2 = 14.
  EXPECT_EQ(normal.Row(13), "...xxxxx....");
  EXPECT_EQ(normal.Row(14), "....xxx.....");
  EXPECT_EQ(normal.Row(15), ".....x......");
  EXPECT_EQ(normal.Row(16), "............");

  // Pressed: a pushed frame, swatch and arrow one pixel right and down.
  Drawn pressed(ODS_SELECTED);
  EXPECT_NE(pressed.At(kItem.left, kItem.top), normal.At(kItem.left, kItem.top));
  EXPECT_EQ(pressed.At(8, 9), kBlack);
  EXPECT_EQ(pressed.At(70, 21), kBlack);
  EXPECT_NE(pressed.At(7, 8), kBlack);
  EXPECT_EQ(pressed.At(9, 10), kSwatch);
  EXPECT_EQ(pressed.Row(14), "....xxxxx...");
  EXPECT_EQ(pressed.Row(15), ".....xxx....");
  EXPECT_EQ(pressed.Row(16), "......x.....");

  // Disabled: an empty swatch and a shadow arrow.
  Drawn disabled(ODS_DISABLED);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE), shadow = ::GetSysColor(COLOR_BTNSHADOW);
  EXPECT_EQ(disabled.At(7, 8), face);
  EXPECT_EQ(disabled.At(30, 14), face);
  EXPECT_EQ(disabled.Row(13, shadow), "...xxxxx....");
  EXPECT_EQ(disabled.Row(15, shadow), ".....x......");
}

TEST(SwatchButtonDrawing, AStoredTopByteIsLeftOutAsTheViewLeavesItOut) {
  EXPECT_EQ(Drawn(0, 0xFF000000 | kSwatch).At(30, 14), kSwatch);
}

TEST(SwatchButtonDrawing, FocusRectangleThreePixelsIn) {
  Drawn plain(0), focused(ODS_FOCUS);
  CRect focus = kItem, changed(90, 30, 0, 0);
  focus.DeflateRect(3, 3);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 90; ++x) {
      if (plain.At(x, y) == focused.At(x, y)) continue;
      EXPECT_TRUE(x == focus.left || x == focus.right - 1 || y == focus.top || y == focus.bottom - 1) << x << "," << y;
      changed = CRect(std::min<int>(x, changed.left), std::min<int>(y, changed.top),
                      std::max<int>(x + 1, changed.right), std::max<int>(y + 1, changed.bottom));
    }
  }
  EXPECT_EQ(changed, focus);
}

ColourNote Note(UINT message, COLORREF colour) { return {message, colour, 1008}; }

class SwatchButton : public testing::Test {
 protected:
  void SetUp() override {
    ::SetCursorPos(1270, 1010);  // where Wine's move on opening hits no cell
    HWND hwnd = ::CreateWindowExA(0, "Button", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 20, 15, 83, 23,
                                  parent, reinterpret_cast<HMENU>(1008), ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    button.m_colour = kTable[2];
    PumpMessages();
  }
  void TearDown() override {
    if (HWND popup = ::GetCapture()) ::DestroyWindow(popup);
    PumpMessages();
  }
  // The open popup is the window holding the mouse.
  HWND Popup() const {
    HWND capture = ::GetCapture();
    return capture && capture != button.m_hWnd ? capture : nullptr;
  }
  void Keys(std::initializer_list<UINT> keys) {
    for (UINT key : keys) ::SendMessageA(Popup(), WM_KEYDOWN, key, 0);
  }

  CColourLog parent{CRect(300, 300, 500, 400)};
  CSwatchButton button;
};

TEST_F(SwatchButton, ClickOpensThePopupUnderTheButtonAndForwardsTheResult) {
  button.SendMessage(BM_CLICK);
  ASSERT_NE(Popup(), nullptr);
  CRect buttonRect = button.GetWindowRect(), popupRect;
  ::GetWindowRect(Popup(), &popupRect);
  EXPECT_EQ(popupRect.TopLeft().x, buttonRect.left);
  EXPECT_EQ(popupRect.TopLeft().y, buttonRect.bottom);
  Keys({VK_RIGHT, VK_RIGHT, VK_RETURN});  // cell 0; tracking stays with the button
  EXPECT_EQ(button.m_colour, kTable[0]);

  button.SendMessage(BM_CLICK);
  ASSERT_NE(Popup(), nullptr);
  Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_ESCAPE});  // cancelled from cell 4
  EXPECT_EQ(parent.notes, (std::vector<ColourNote>{Note(WM_COLOUROPEN, kTable[2]), Note(WM_COLOURCLOSE, kTable[0]),
                                                   Note(WM_COLOURACCEPT, kTable[0]), Note(WM_COLOUROPEN, kTable[0]),
                                                   Note(WM_COLOURCLOSE, kTable[0]), Note(WM_COLOURCANCEL, kTable[0])}));
  EXPECT_EQ(button.m_colour, kTable[0]);
}

TEST_F(SwatchButton, DoubleClickOpensOnTheSecondRelease) {
  button.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(button.SendMessage(BM_GETSTATE) & BST_PUSHED);
  EXPECT_TRUE(parent.notes.empty());
  button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(button.SendMessage(BM_GETSTATE) & BST_PUSHED);
  EXPECT_EQ(parent.notes, std::vector<ColourNote>{Note(WM_COLOUROPEN, kTable[2])});
  ASSERT_NE(Popup(), nullptr);
  Keys({VK_ESCAPE});
  parent.notes.clear();
  button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // the pending flag is spent
  EXPECT_TRUE(parent.notes.empty());
}

TEST_F(SwatchButton, APopupThatCannotOpenOnlyReportsTheOpening) {
  HHOOK hook = ::SetWindowsHookExA(WH_CBT, &RefuseWindows, nullptr, ::GetCurrentThreadId());
  button.SendMessage(BM_CLICK);
  ::UnhookWindowsHookEx(hook);
  PumpMessages();
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_EQ(parent.notes, std::vector<ColourNote>{Note(WM_COLOUROPEN, kTable[2])});
  EXPECT_EQ(button.m_colour, kTable[2]);
}

}  // namespace

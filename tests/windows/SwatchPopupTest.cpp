#include <gtest/gtest.h>

#include <windows.h>
#include <colordlg.h>

#include <memory>
#include <vector>

#include "ColourLog.h"
#include "GuiTest.h"
#include "ui/SwatchPopup.h"

namespace {

const COLORREF* const kTable = CSwatchPopup::kColours;
constexpr COLORREF kOdd = 0x123456;  // in no cell
constexpr int kOther = CSwatchPopup::kOtherBox;
constexpr int kCell = 24;
const int m = ::GetSystemMetrics(SM_CXEDGE);
const int kGrid = kCell * 4 + 2 * m;  // width and height of the grid with its margins

int deletedPopups = 0;
class CountedPopup : public CSwatchPopup {
 public:
  using CSwatchPopup::CSwatchPopup;
  ~CountedPopup() override { ++deletedPopups; }
};

SIZE OtherTextSize() {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  CFont font;
  font.CreateFontIndirect(&metrics.lfMessageFont);
  CClientDC dc(nullptr);
  CSelectObject select(dc.get(), font.get());
  SIZE size;
  ::GetTextExtentPoint32A(dc.get(), "Other ...", 9, &size);
  return size;
}

ColourNote Track(COLORREF c) { return {WM_COLOURTRACK, c, 0}; }
ColourNote Accept(COLORREF c) { return {WM_COLOURACCEPT, c, 0}; }
ColourNote Cancel(COLORREF c) { return {WM_COLOURCANCEL, c, 0}; }

class SwatchPopup : public testing::Test {
 protected:
  void TearDown() override {
    if (::IsWindow(popup)) ::DestroyWindow(popup);
    PumpMessages();
  }

  void Open(COLORREF colour, POINT at = {200, 224}) {
    if (::IsWindow(popup)) ::DestroyWindow(popup);
    // Far from the popup, where the move Wine reports on opening hits no cell.
    ::SetCursorPos(1270, 1010);
    PumpMessages();
    auto* p = new CountedPopup(colour, &owner);
    ASSERT_TRUE(p->Create(at));
    popup = p->m_hWnd;
    ::UpdateWindow(popup);
    PumpMessages();
  }
  CRect Window() const { return CWnd::FromHandlePermanent(popup)->GetWindowRect(); }
  void Keys(std::initializer_list<UINT> keys) {
    for (UINT key : keys) ::SendMessageA(popup, WM_KEYDOWN, key, 0);
  }
  void MoveTo(int x, int y) { ::SendMessageA(popup, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
  void MoveToCell(int index) { MoveTo(m + kCell * (index % 4) + 12, m + kCell * (index / 4) + 12); }
  // A release at a client point, as the queue reports it.
  void ReleaseAt(int x, int y) {
    ::SetCursorPos(Window().left + x, Window().top + y);
    PumpMessages();
    ::PostMessageA(popup, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    PumpMessages();
  }
  COLORREF Pixel(int x, int y) const { return ::GetPixel(CClientDC(popup).get(), x, y); }

  CColourLog owner{CRect(200, 200, 260, 224)};
  HWND popup = nullptr;
};

TEST_F(SwatchPopup, OpensAtThePointAndKeepsOnTheScreen) {
  const int height = kGrid + OtherTextSize().cy + 7 * m + 2;
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN), screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  ASSERT_LT(OtherTextSize().cx + 2 * m, kGrid);
  Open(kOdd);
  EXPECT_EQ(Window(), CRect(200, 224, 200 + kGrid, 224 + height));
  EXPECT_EQ(::GetCapture(), popup);
  EXPECT_TRUE(owner.notes.empty());

  // The owner stands as a button near the bottom: the popup opens above it.
  ::MoveWindow(owner, 300, screenHeight - 60, 60, 24, FALSE);
  const struct {
    POINT at;
    CRect window;
  } cases[] = {{{screenWidth - 30, 300}, {screenWidth - kGrid, 300, screenWidth, 300 + height}},
               {{-40, 300}, {0, 300, kGrid, 300 + height}},
               {{300, screenHeight - 36}, {300, screenHeight - 60 - height, 300 + kGrid, screenHeight - 60}}};
  for (const auto& c : cases) {
    Open(kOdd, c.at);
    EXPECT_EQ(Window(), c.window) << c.at.x << "," << c.at.y;
  }
}

TEST_F(SwatchPopup, WidensForAWideMessageFontAndTheStripIsNoCell) {
  NONCLIENTMETRICSA saved = {};
  saved.cbSize = sizeof saved;
  ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof saved, &saved, 0);
  NONCLIENTMETRICSA wide = saved;
  wide.lfMessageFont.lfHeight = -40;
  ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof wide, &wide, 0);
  SIZE text = OtherTextSize();
  Open(kOdd);
  ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof saved, &saved, 0);

  ASSERT_GT(text.cx + 2 * m, kGrid);
  EXPECT_EQ(Window().Width(), text.cx + 2 * m);
  MoveToCell(2);
  MoveTo(text.cx, 5);  // the strip right of the grid
  ReleaseAt(text.cx, 5);
  EXPECT_EQ(owner.notes, (std::vector<ColourNote>{Track(kTable[2]), Accept(kTable[2])}));
}

TEST_F(SwatchPopup, HitTestsCellsWithTheMarginStripsInRowAndColumnZero) {
  Open(kOdd);
  const int otherTop = kGrid, otherBottom = otherTop + OtherTextSize().cy + 5 * m + 2;
  MoveTo(0, 0);                                  // margin corner: cell 0
  MoveTo(m + 3 * kCell + kCell - 1, m);          // cell 3
  MoveTo(m + kCell, m + 2 * kCell);              // cell 9
  MoveTo(kGrid - 1, 5);                          // right margin: no cell, no change
  MoveTo(m + 3 * kCell + 5, m + 3 * kCell + 5);  // cell 15
  MoveTo(5, otherTop - 1);                       // bottom margin: no cell
  MoveTo(m, otherTop);                           // the Other band reports the initial colour
  MoveTo(kGrid - m - 1, otherBottom - 1);        // still the Other band: no report
  MoveTo(5, otherBottom);                        // below it: nothing
  MoveTo(5, 5);
  EXPECT_EQ(owner.notes, (std::vector<ColourNote>{Track(kTable[0]), Track(kTable[3]), Track(kTable[9]),
                                                  Track(kTable[15]), Track(kOdd), Track(kTable[0])}));
}

TEST_F(SwatchPopup, ArrowKeysWalkTheGridAndWrapThroughTheOtherBox) {
  std::vector<std::pair<UINT, int>> walk = {{VK_DOWN, kOther}, {VK_DOWN, 0},      {VK_DOWN, 4},    {VK_DOWN, 8},
                                            {VK_DOWN, 12},     {VK_DOWN, kOther}, {VK_UP, 15},     {VK_UP, 11},
                                            {VK_UP, 7},        {VK_UP, 3},        {VK_UP, kOther}, {VK_RIGHT, 0}};
  for (int i = 1; i <= 15; ++i) walk.push_back({VK_RIGHT, i});  // 3 -> 4 wraps to the next row
  walk.push_back({VK_RIGHT, kOther});
  for (int i = 15; i >= 0; --i) walk.push_back({VK_LEFT, i});  // 4 -> 3 wraps to the row above
  walk.push_back({VK_LEFT, kOther});

  Open(kOdd);
  std::vector<ColourNote> expected;
  for (auto [key, cell] : walk) {
    Keys({key});
    expected.push_back(Track(cell == kOther ? kOdd : kTable[cell]));
  }
  EXPECT_EQ(owner.notes, expected);

  // Straight after opening every arrow goes to the Other box.
  for (UINT key : {VK_UP, VK_RIGHT, VK_LEFT}) {
    ::DestroyWindow(popup);
    owner.notes.clear();
    Open(kTable[2]);
    Keys({key});
    EXPECT_EQ(owner.notes, std::vector<ColourNote>{Track(kTable[2])}) << key;
  }
}

TEST_F(SwatchPopup, KeysReleasesOrLeavingTheAppFinishThePickAndTheWindowDeletesItself) {
  const int deletedBefore = deletedPopups;
  Open(kTable[5]);
  Keys({VK_RETURN});
  EXPECT_FALSE(::IsWindow(popup));
  Open(kTable[5]);
  Keys({VK_ESCAPE});
  Open(kOdd);
  Keys({VK_DOWN, VK_DOWN, VK_SPACE});  // cell 0
  Open(kOdd);
  Keys({VK_RIGHT, VK_RIGHT, VK_ESCAPE});  // from cell 0: still the initial colour
  // A release inside accepts the last highlight, if any; outside it cancels.
  Open(kOdd);
  ReleaseAt(kGrid - 1, 5);  // over no cell
  Open(kOdd);
  MoveToCell(6);
  ReleaseAt(kGrid - 1, 5);
  Open(kOdd);
  MoveToCell(6);
  ReleaseAt(-100, -124);
  // Losing the focus only lets the mouse go; leaving the application cancels.
  Open(kTable[1]);
  ::SetFocus(owner);
  EXPECT_NE(::GetCapture(), popup);
  EXPECT_TRUE(::IsWindow(popup));
  ::SendMessageA(popup, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(owner.notes, (std::vector<ColourNote>{Accept(kTable[5]), Cancel(kTable[5]), Track(kOdd), Track(kTable[0]),
                                                  Accept(kTable[0]), Track(kOdd), Track(kTable[0]), Cancel(kOdd),
                                                  Accept(kOdd), Track(kTable[6]), Accept(kTable[6]), Track(kTable[6]),
                                                  Cancel(kOdd), Cancel(kTable[1])}));
  EXPECT_EQ(deletedPopups, deletedBefore + 8);
  EXPECT_EQ(::GetCapture(), nullptr);
}

// From inside the colour dialog's loop (made, not yet shown): sets its fields and presses a button.
void AnswerColourDialog(UINT button, int red, int green, int blue) {
  HWND dialog = ::FindWindowA("#32770", "Color");
  ASSERT_NE(dialog, nullptr);
  ::SetDlgItemInt(dialog, COLOR_RED, static_cast<UINT>(red), FALSE);
  ::SetDlgItemInt(dialog, COLOR_GREEN, static_cast<UINT>(green), FALSE);
  ::SetDlgItemInt(dialog, COLOR_BLUE, static_cast<UINT>(blue), FALSE);
  ::SendMessageA(::GetDlgItem(dialog, static_cast<int>(button)), BM_CLICK, 0, 0);
}

TEST_F(SwatchPopup, TheOtherBoxAsksTheColourDialogWhichDecidesEvenAfterDeactivation) {
  Open(kOdd);
  Keys({VK_DOWN});
  RunSoon([] { AnswerColourDialog(IDOK, 10, 20, 30); });
  ReleaseAt(m + 5, kGrid + 2 * m + 5);
  Open(kOdd);
  Keys({VK_DOWN});
  RunSoon([] { AnswerColourDialog(IDCANCEL, 10, 20, 30); });
  Keys({VK_RETURN});
  // Leaving the application meanwhile reports a cancel but keeps the window for the dialog.
  Open(kOdd);
  Keys({VK_DOWN});
  bool openAfterCancel = false;
  RunSoon([&] {
    ::SendMessageA(popup, WM_ACTIVATEAPP, FALSE, 0);
    openAfterCancel = ::IsWindow(popup) != FALSE;
    AnswerColourDialog(IDOK, 1, 2, 3);
  });
  Keys({VK_SPACE});
  EXPECT_TRUE(openAfterCancel);
  EXPECT_EQ(owner.notes, (std::vector<ColourNote>{Track(kOdd), Accept(RGB(10, 20, 30)), Track(kOdd), Cancel(kOdd),
                                                  Track(kOdd), Cancel(kOdd), Accept(RGB(1, 2, 3))}));
  EXPECT_FALSE(::IsWindow(popup));
}

TEST_F(SwatchPopup, MarksTheChosenCellAndTheHighlight) {
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  ASSERT_NE(face, light);
  ASSERT_NE(face, ::GetSysColor(COLOR_3DLIGHT));
  const int x5 = m + kCell, y5 = m + kCell;  // cell 5's corner
  const int xOther = m + 1, yOther = kGrid + 2 * m + 1;

  Open(kTable[5]);
  EXPECT_EQ(Pixel(x5 + 1, y5 + 1), light);  // light fill
  EXPECT_EQ(Pixel(x5, y5), shadow);         // sunken edge
  EXPECT_EQ(Pixel(x5 + kCell / 2, y5 + kCell / 2), kTable[5]);
  EXPECT_EQ(Pixel(x5 - kCell + 1, y5 + 1), face);  // cell 4
  EXPECT_EQ(Pixel(xOther + 1, yOther + 1), face);
  MoveToCell(5);
  EXPECT_EQ(Pixel(x5 + 1, y5 + 1), face);  // hot: raised, not light
  EXPECT_EQ(Pixel(x5, y5), light);
  MoveToCell(4);
  EXPECT_EQ(Pixel(x5 + 1, y5 + 1), light);
  EXPECT_EQ(Pixel(x5 - kCell, y5), light);

  Open(kOdd);
  EXPECT_EQ(Pixel(xOther + 1, yOther + 1), ::GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(Pixel(xOther, yOther), shadow);
  EXPECT_EQ(Pixel(x5 + 1, y5 + 1), face);
}

TEST_F(SwatchPopup, AWindowThatCannotBeMadeLeavesTheObjectToItsMakerAndSendsNothing) {
  const int deletedBefore = deletedPopups;
  auto p = std::make_unique<CountedPopup>(kOdd, &owner);
  HHOOK hook = ::SetWindowsHookExA(WH_CBT, &RefuseWindows, nullptr, ::GetCurrentThreadId());
  EXPECT_FALSE(p->Create({200, 224}));
  ::UnhookWindowsHookEx(hook);
  PumpMessages();
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(deletedPopups, deletedBefore);
  p.reset();
  EXPECT_EQ(deletedPopups, deletedBefore + 1);
  EXPECT_TRUE(owner.notes.empty());
}

}  // namespace

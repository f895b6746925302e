#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"
#include "framework/App.h"
#include "ui/OptionsDlg.h"

namespace {

std::string Text(HWND dialog, int id) {
  char text[64] = "";
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}
void Click(HWND dialog, int id) { ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Opens a colour button's popup and picks a cell with the keys.
void PickColour(HWND dialog, int buttonId, int cell) {
  ::SetCursorPos(1270, 1010);  // where a move hits no cell of the popup
  Click(dialog, buttonId);
  HWND popup = ::GetCapture();
  ASSERT_NE(popup, nullptr);
  // The first arrow lands on the Other box, the next on cell 0.
  for (int i = 0; i <= cell + 1; ++i) ::SendMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);
  ::SendMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
}

// While closingBoxes is set, presses OK in each "Fractavo" message box and keeps its text.
bool closingBoxes = false;
std::vector<std::string> boxTexts;
void CloseBoxes() {
  RunSoon(
      [] {
        if (!closingBoxes) return;
        HWND box = ::FindWindowA("#32770", "Fractavo");
        if (box && ::IsWindowVisible(box)) {
          char text[128] = "";
          ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
          boxTexts.push_back(text);
          ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        CloseBoxes();
      },
      20);
}

// The dialog's six fields: zoom rate, iterations, size, 24-bit flag, in and out colours.
using Fields = std::tuple<int, int, int, int, COLORREF, COLORREF>;
Fields FieldsOf(const COptionsDlg& d) {
  const Settings s = d.Chosen();
  return {s.zoomRate, s.maxIterations, s.edge, s.force24Bit, s.inColour, s.outColour};
}
// Off the defaults: zoom 7, 300 iterations, 500 pixels, not forced to 24 bits.
const Settings kFilled{0x112233, 0x445566, 0, 7, 300, 500};

// Runs the dialog; drive runs inside its modal loop.
INT_PTR RunDialog(COptionsDlg& dialog, std::function<void(HWND)> drive) {
  RunSoon([&dialog, drive] { drive(dialog.m_hWnd); });
  return dialog.DoModal();
}

// The tooltip control a dialog owns.
HWND TipsOf(HWND dialog) {
  HWND tips = nullptr;
  while ((tips = ::FindWindowExA(nullptr, tips, TOOLTIPS_CLASSA, nullptr)) && ::GetWindow(tips, GW_OWNER) != dialog) {
  }
  return tips;
}

TEST(OptionsDialog, StartsWithTheTipsAndDefaultsCanBeCancelled) {
  COptionsDlg dialog(kFilled);
  INT_PTR result = RunDialog(dialog, [&](HWND d) {
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(d, IDC_IN_COLOUR));
    HWND tips = TipsOf(d);
    ASSERT_NE(tips, nullptr);
    const std::pair<int, const char*> expected[] = {
        {IDC_IN_COLOUR, "The \"In\" Color for the Fractavo Set"},
        {IDC_OUT_COLOUR, "The \"Out\" or Background Color"},
        {IDC_FORCE_24BIT, "Forces 16-bit and 32-bit bitmaps to be saved as 24-bit bitmaps"},
        {IDC_ZOOM_RATE, "The Rate of Zoom for Mouse Clicks"},
        {IDC_MAX_ITERATIONS, "Iteration Count, Higher is Greater Resolution but Slower Speed"},
        {IDC_SCREEN_SIZE, "The Screen Size on Edge"},
        {IDC_DEFAULTS, "Restore The Default Values"}};
    ASSERT_EQ(::SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 7);
    for (int i = 0; i < 7; ++i) {
      char text[128] = "";
      TTTOOLINFOA tool = {};
      tool.cbSize = TTTOOLINFOA_V2_SIZE;
      tool.lpszText = text;
      ::SendMessageA(tips, TTM_ENUMTOOLSA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tool));
      EXPECT_EQ(reinterpret_cast<HWND>(tool.uId), ::GetDlgItem(d, expected[i].first)) << i;
      EXPECT_TRUE(tool.uFlags & TTF_IDISHWND);
      EXPECT_STREQ(text, expected[i].second);
    }
    EXPECT_EQ(::SendMessageA(tips, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 1000);
    EXPECT_EQ(::SendMessageA(tips, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 10000);
    EXPECT_EQ(::SendMessageA(tips, TTM_GETDELAYTIME, TTDT_RESHOW, 0), 200);

    Click(d, IDC_DEFAULTS);
    EXPECT_EQ(Text(d, IDC_MAX_ITERATIONS), "200");
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  const Settings kept = dialog.Chosen();
  EXPECT_EQ(std::tie(kept.zoomRate, kept.maxIterations, kept.edge, kept.force24Bit), std::make_tuple(7, 300, 500, 0));
}

// Too large for an int, and longer than any fixed buffer would hold.
const char kLongDigits[] = "99999999999999999999999999999999999999999999999999999999999999999999999999999";

TEST(OptionsDialog, LeavingAFieldOrItsSpinKeepsItInRange) {
  const struct {
    int id;
    const char *typed, *left;
  } cases[] = {{IDC_ZOOM_RATE, "0", "1"},
               {IDC_ZOOM_RATE, "99", "50"},
               {IDC_MAX_ITERATIONS, "0", "1"},
               {IDC_MAX_ITERATIONS, "40000", "32767"},
               {IDC_SCREEN_SIZE, "100", "128"},
               {IDC_SCREEN_SIZE, "2000", "1024"},
               {IDC_ZOOM_RATE, "99999999999", "50"},
               {IDC_MAX_ITERATIONS, kLongDigits, "32767"},
               {IDC_SCREEN_SIZE, kLongDigits, "1024"}};
  const struct {
    int id;
    const char *belowTop, *top, *bottom;
  } spins[] = {{IDC_ZOOM_RATE, "49", "50", "1"},
               {IDC_MAX_ITERATIONS, "32766", "32767", "1"},
               {IDC_SCREEN_SIZE, "1023", "1024", "128"}};
  COptionsDlg dialog(kFilled);
  RunDialog(dialog, [&](HWND d) {
    for (const auto& c : cases) {
      ::SetFocus(::GetDlgItem(d, c.id));
      ::SetDlgItemTextA(d, c.id, c.typed);
      ::SetFocus(::GetDlgItem(d, IDC_DEFAULTS));
      EXPECT_EQ(Text(d, c.id), c.left) << c.typed;
    }
    // The arrow keys step through the spin and stop at both ends.
    for (const auto& s : spins) {
      HWND edit = ::GetDlgItem(d, s.id);
      ::SetFocus(edit);
      ::SetWindowTextA(edit, s.belowTop);
      for (UINT key : {VK_UP, VK_UP}) ::SendMessageA(edit, WM_KEYDOWN, key, 0);
      EXPECT_EQ(Text(d, s.id), s.top);
      ::SetWindowTextA(edit, s.bottom);
      ::SendMessageA(edit, WM_KEYDOWN, VK_DOWN, 0);
      EXPECT_EQ(Text(d, s.id), s.bottom);
    }
    Click(d, IDCANCEL);
  });
}

void Type(HWND d, const char* zoomRate, const char* maxIterations, const char* screenSize) {
  ::SetDlgItemTextA(d, IDC_ZOOM_RATE, zoomRate);
  ::SetDlgItemTextA(d, IDC_MAX_ITERATIONS, maxIterations);
  ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, screenSize);
}

// What comes back also shows that the fields were filled in.
TEST(OptionsDialog, OkClampsAndReturnsTheFields) {
  const struct {
    std::function<void(HWND)> drive;
    Fields fields;
  } cases[] = {{[](HWND d) {
                  Type(d, "0", "0", "100");
                  Click(d, IDOK);
                },
                {1, 1, 128, 0, 0x112233, 0x445566}},
               {[](HWND d) {
                  Type(d, "99", "40000", "2000");
                  Click(d, IDOK);
                },
                {50, 32767, 1024, 0, 0x112233, 0x445566}},
               {[](HWND d) {
                  HWND zoom = ::GetDlgItem(d, IDC_ZOOM_RATE);
                  ::SetFocus(zoom);
                  ::SetWindowTextA(zoom, "99");
                  ::PostMessageA(zoom, WM_KEYDOWN, VK_RETURN, 0);
                },
                {50, 300, 500, 0, 0x112233, 0x445566}},
               {[](HWND d) {
                  Click(d, IDC_DEFAULTS);
                  Click(d, IDOK);
                },
                {3, 200, 400, 1, 0x400040, 0xC0C0C0}},
               {[](HWND d) {
                  Type(d, "99999999999", kLongDigits, kLongDigits);
                  HWND size = ::GetDlgItem(d, IDC_SCREEN_SIZE);
                  ::SetFocus(size);
                  ::PostMessageA(size, WM_KEYDOWN, VK_RETURN, 0);
                },
                {50, 32767, 1024, 0, 0x112233, 0x445566}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    COptionsDlg dialog(kFilled);
    EXPECT_EQ(RunDialog(dialog, c.drive), IDOK);
    EXPECT_EQ(FieldsOf(dialog), c.fields);
  }
}

TEST(OptionsDialog, AnEmptiedIterationFieldKeepsTheDialogOpenWithOneNoticeEachTime) {
  COptionsDlg dialog(kFilled);
  closingBoxes = true;
  CloseBoxes();
  bool stillOpen = false;
  size_t afterLeaving = 0, afterEnter = 0;
  INT_PTR result = RunDialog(dialog, [&](HWND d) {
    HWND iterations = ::GetDlgItem(d, IDC_MAX_ITERATIONS);
    ::SetFocus(iterations);
    ::SetWindowTextA(iterations, "");
    ::SetFocus(::GetDlgItem(d, IDC_SCREEN_SIZE));
    afterLeaving = boxTexts.size();
    EXPECT_EQ(::GetFocus(), iterations);
    ::PostMessageA(iterations, WM_KEYDOWN, VK_RETURN, 0);
    RunSoon([&, d] {
      afterEnter = boxTexts.size();
      stillOpen = ::IsWindowVisible(d) != FALSE;
      ::SetDlgItemTextA(d, IDC_MAX_ITERATIONS, "500");
      Click(d, IDOK);
    });
  });
  closingBoxes = false;
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(afterLeaving, 1u);
  EXPECT_EQ(afterEnter, 2u);
  EXPECT_EQ(boxTexts, std::vector<std::string>(2, "Please enter an integer."));
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.Chosen().maxIterations, 500);
}

using Values = std::vector<std::optional<int>>;

// The Options command of a main frame that stands as the program's window.
class OptionsCommand : public testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    frame = CreateMainFrame();
    ASSERT_NE(frame, nullptr);
    AfxGetApp()->m_mainWnd = frame;
  }
  void TearDown() override {
    // Not the main window any more, so its end does not quit.
    AfxGetApp()->m_mainWnd = nullptr;
    frame->DestroyWindow();
    ClearSettings();
  }
  ViewParameters& Params() { return frame->View().Parameters(); }
  void Command(UINT id) { frame->SendMessage(WM_COMMAND, id); }
  // Runs the command; drive sets the dialog's fields, then button closes it.
  void Options(std::function<void(HWND)> drive, int button = IDOK) {
    RunSoon([drive, button] {
      HWND d = ::FindWindowA("#32770", "Options");
      drive(d);
      Click(d, button);
    });
    Command(ID_VIEW_OPTIONS);
  }
  // A pixel only a new render overwrites.
  void Mark() { ::SetPixelV(frame->View().ImageDC(), 0, 0, 0x010203); }
  bool Marked() { return ::GetPixel(frame->View().ImageDC(), 0, 0) == 0x010203; }
  bool ImageBlack() {
    HDC dc = frame->View().ImageDC();
    for (int y = 0; y < Params().edge; y += 7)
      for (int x = 0; x < Params().edge; x += 7)
        if (::GetPixel(dc, x, y) != 0) return false;
    return true;
  }
  // The view's client area and its image, which must both be edge x edge.
  void ExpectSize(int edge) {
    EXPECT_EQ(frame->View().GetClientRect(), CRect(0, 0, edge, edge));
    BITMAP bitmap = {};
    ::GetObjectA(::GetCurrentObject(frame->View().ImageDC(), OBJ_BITMAP), sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, edge);
    EXPECT_EQ(bitmap.bmHeight, edge);
  }
  // The six stored settings, in the order they are written.
  Values Stored() {
    Values values;
    for (const char* name : {"In Color", "Out Color", "Force 24-bit", "Zoom Rate", "Max Iterations", "Window Size"})
      values.push_back(StoredSetting(name));
    return values;
  }

  CMainFrame* frame = nullptr;
};

TEST_F(OptionsCommand, BeforeAFirstRenderStoresAndResizesButDrawsNothing) {
  Options([](HWND d) {
    PickColour(d, IDC_IN_COLOUR, 0);
    ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, "300");
  });
  EXPECT_EQ(Stored(), (Values{0xFFFFFF, 0xC0C0C0, 1, 3, 200, 300}));
  ExpectSize(300);
  EXPECT_TRUE(Params().notRendered);
  EXPECT_TRUE(ImageBlack());
}

TEST_F(OptionsCommand, AfterARenderOnlyAChangedPictureIsDrawnAndAllSixAreAlwaysStored) {
  Command(ID_VIEW_REFRESH);
  const struct {
    std::function<void(HWND)> drive;
    bool redraws;
    Values stored;
  } steps[] = {{[](HWND) {}, false, {0x400040, 0xC0C0C0, 1, 3, 200, 400}},
               {[](HWND d) {
                  ::SetDlgItemTextA(d, IDC_ZOOM_RATE, "5");
                  ::CheckDlgButton(d, IDC_FORCE_24BIT, BST_UNCHECKED);
                },
                false,
                {0x400040, 0xC0C0C0, 0, 5, 200, 400}},
               {[](HWND d) { PickColour(d, IDC_OUT_COLOUR, 1); }, true, {0x400040, 0, 0, 5, 200, 400}},  // black
               {[](HWND d) { ::SetDlgItemTextA(d, IDC_MAX_ITERATIONS, "150"); }, true, {0x400040, 0, 0, 5, 150, 400}}};
  for (const auto& step : steps) {
    SCOPED_TRACE(&step - steps);
    Mark();
    ClearSettings();
    Options(step.drive);
    EXPECT_EQ(Marked(), !step.redraws);
    EXPECT_EQ(Stored(), step.stored);
  }
  frame->View().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
  EXPECT_DOUBLE_EQ(Params().halfWidth, 2.0 / 5);

  // A new size shows the same region; 1024 is taller than the screen, the stored size lets the frame grow.
  const ViewParameters before = Params();
  Options([](HWND d) { ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, "1024"); });
  ExpectSize(1024);
  EXPECT_EQ(Params().halfWidth, before.halfWidth);
  EXPECT_EQ(Params().centreX, before.centreX);
  EXPECT_EQ(Params().centreY, before.centreY);
  EXPECT_FALSE(ImageBlack());
  EXPECT_EQ(StoredSetting("Window Size"), 1024);
}

TEST_F(OptionsCommand, CancellingWithAnEmptiedFieldShowsNoNotice) {
  boxTexts.clear();
  closingBoxes = true;
  CloseBoxes();
  const std::function<void(HWND)> cancels[] = {
      [](HWND) { ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); },
      [](HWND d) {  // the Cancel button takes the focus as it is pressed
        HWND cancel = ::GetDlgItem(d, IDCANCEL);
        ::PostMessageA(cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::PostMessageA(cancel, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
      },
      [](HWND d) { ::PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); },
  };
  for (const auto& cancel : cancels) {
    RunSoon([&cancel] {
      HWND d = ::FindWindowA("#32770", "Options");
      ::SetDlgItemTextA(d, IDC_ZOOM_RATE, "9");
      HWND iterations = ::GetDlgItem(d, IDC_MAX_ITERATIONS);
      ::SetFocus(iterations);
      ::SetWindowTextA(iterations, "");
      cancel(d);
    });
    Command(ID_VIEW_OPTIONS);
  }
  closingBoxes = false;
  EXPECT_EQ(boxTexts, std::vector<std::string>());
  EXPECT_EQ(Stored(), Values(6));
  EXPECT_EQ(Params().zoomRate, 3);
}

HBITMAP WINAPI NoBitmap(HDC, int, int) { return nullptr; }

TEST_F(OptionsCommand, ABiggerImageThatCannotBeMadeKeepsTheViewAtTheSizeItHolds) {
  Command(ID_VIEW_REFRESH);
  {
    ScopedImportPatch failing("gdi32.dll", "CreateCompatibleBitmap", reinterpret_cast<const void*>(&NoBitmap));
    ASSERT_TRUE(failing.Active());
    Options([](HWND d) { ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, "600"); });
  }
  EXPECT_EQ(StoredSetting("Window Size"), 600);
  EXPECT_EQ(Params().edge, 400);
  EXPECT_EQ(Params().halfEdge, 200);
  ExpectSize(400);
  EXPECT_FALSE(ImageBlack());
  // The view goes on working with the image it holds.
  Mark();
  frame->View().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
  EXPECT_FALSE(Marked());
}

TEST_F(OptionsCommand, CancelChangesAndStoresNothing) {
  Command(ID_VIEW_REFRESH);
  Mark();
  Options(
      [](HWND d) {
        ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, "300");
        ::SetDlgItemTextA(d, IDC_ZOOM_RATE, "9");
        PickColour(d, IDC_IN_COLOUR, 0);
      },
      IDCANCEL);
  EXPECT_EQ(Stored(), Values(6));
  EXPECT_EQ(Params().zoomRate, 3);
  EXPECT_EQ(Params().edge, 400);
  EXPECT_EQ(Params().inColour, 0x400040u);
  EXPECT_TRUE(Marked());
}

}  // namespace

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"
#include "framework/App.h"
#include "ui/OptionsDlg.h"
#include "ui/SwatchPopup.h"

namespace {

const COLORREF* const kTable = CSwatchPopup::kColours;

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
  ::SendMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);  // Other box
  for (int i = 0; i <= cell; ++i) ::SendMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);
  ::SendMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
}

// Presses OK in every message box that shows up until stopped; counts them.
class BoxCloser {
 public:
  BoxCloser() { Schedule(); }
  ~BoxCloser() { *m_stopped = true; }
  int closed = 0;
  std::string lastText;

 private:
  void Schedule() {
    RunSoon([this, stopped = m_stopped] {
      if (*stopped) return;
      HWND box = ::FindWindowA("#32770", "Fractavo");
      if (box && ::IsWindowVisible(box)) {
        ++closed;
        char text[128] = "";
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        lastText = text;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
      }
      Schedule();
    }, 20);
  }
  std::shared_ptr<bool> m_stopped = std::make_shared<bool>(false);
};

// Runs the dialog; drive runs inside its modal loop.
INT_PTR RunDialog(COptionsDlg& dialog, std::function<void(HWND)> drive) {
  RunSoon([&dialog, drive] { drive(dialog.m_hWnd); });
  return dialog.DoModal();
}

COptionsDlg& Filled(COptionsDlg& d) {
  d.zoomRate = 7;
  d.maxIterations = 300;
  d.screenSize = 500;
  d.force24Bit = 0;
  d.inColour = 0x112233;
  d.outColour = 0x445566;
  return d;
}

TEST(OptionsDialog, StartsWithTheFieldsRangesAndTips) {
  COptionsDlg dialog;
  INT_PTR result = RunDialog(Filled(dialog), [&](HWND d) {
    EXPECT_EQ(Text(d, IDC_ZOOM_RATE), "7");
    EXPECT_EQ(Text(d, IDC_MAX_ITERATIONS), "300");
    EXPECT_EQ(Text(d, IDC_SCREEN_SIZE), "500");
    EXPECT_EQ(::IsDlgButtonChecked(d, IDC_FORCE_24BIT), BST_UNCHECKED);
    EXPECT_EQ(dialog.inButton.colour, 0x112233u);
    EXPECT_EQ(dialog.outButton.colour, 0x445566u);
    EXPECT_EQ(::GetFocus(), dialog.inButton.m_hWnd);

    struct Spin {
      int id, low, high;
    };
    for (Spin s : {Spin{IDC_SPIN_ZOOM_RATE, 1, 50}, Spin{IDC_SPIN_MAX_ITERATIONS, 1, 32767},
                   Spin{IDC_SPIN_SCREEN_SIZE, 128, 1024}}) {
      int low = 0, high = 0;
      ::SendDlgItemMessageA(d, s.id, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
      EXPECT_EQ(low, s.low);
      EXPECT_EQ(high, s.high);
    }

    HWND tips = dialog.toolTip.GetSafeHwnd();
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
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST(OptionsDialog, LeavingAFieldPullsItIntoRange) {
  struct Case {
    int id;
    const char* typed;
    const char* left;
  };
  const Case cases[] = {{IDC_ZOOM_RATE, "0", "1"},          {IDC_ZOOM_RATE, "99", "50"},
                        {IDC_ZOOM_RATE, "50", "50"},        {IDC_MAX_ITERATIONS, "40000", "32767"},
                        {IDC_MAX_ITERATIONS, "0", "1"},     {IDC_SCREEN_SIZE, "100", "128"},
                        {IDC_SCREEN_SIZE, "2000", "1024"},  {IDC_SCREEN_SIZE, "128", "128"},
                        {IDC_SCREEN_SIZE, "1024", "1024"}};
  COptionsDlg dialog;
  RunDialog(Filled(dialog), [&](HWND d) {
    for (const Case& c : cases) {
      ::SetFocus(::GetDlgItem(d, c.id));
      ::SetDlgItemTextA(d, c.id, c.typed);
      ::SetFocus(::GetDlgItem(d, IDC_DEFAULTS));
      EXPECT_EQ(Text(d, c.id), c.left) << c.typed;
    }
    Click(d, IDCANCEL);
  });
}

TEST(OptionsDialog, OkPullsEveryFieldIntoRange) {
  COptionsDlg low, high;
  EXPECT_EQ(RunDialog(Filled(low), [](HWND d) {
              ::SetDlgItemTextA(d, IDC_ZOOM_RATE, "0");
              ::SetDlgItemTextA(d, IDC_MAX_ITERATIONS, "0");
              ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, "100");
              Click(d, IDOK);
            }),
            IDOK);
  EXPECT_EQ(low.zoomRate, 1);
  EXPECT_EQ(low.maxIterations, 1);
  EXPECT_EQ(low.screenSize, 128);
  EXPECT_EQ(RunDialog(Filled(high), [](HWND d) {
              ::SetDlgItemTextA(d, IDC_ZOOM_RATE, "99");
              ::SetDlgItemTextA(d, IDC_MAX_ITERATIONS, "40000");
              ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, "2000");
              Click(d, IDOK);
            }),
            IDOK);
  EXPECT_EQ(high.zoomRate, 50);
  EXPECT_EQ(high.maxIterations, 32767);
  EXPECT_EQ(high.screenSize, 1024);
}

TEST(OptionsDialog, NinetyNineThenEnterReturnsFifty) {
  COptionsDlg dialog;
  INT_PTR result = RunDialog(Filled(dialog), [](HWND d) {
    HWND zoom = ::GetDlgItem(d, IDC_ZOOM_RATE);
    ::SetFocus(zoom);
    ::SetWindowTextA(zoom, "99");
    ::PostMessageA(zoom, WM_KEYDOWN, VK_RETURN, 0);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.zoomRate, 50);
}

TEST(OptionsDialog, DefaultsThenOkOrCancel) {
  COptionsDlg accepted;
  EXPECT_EQ(RunDialog(Filled(accepted), [](HWND d) {
              Click(d, IDC_DEFAULTS);
              Click(d, IDOK);
            }),
            IDOK);
  EXPECT_EQ(accepted.zoomRate, 3);
  EXPECT_EQ(accepted.maxIterations, 200);
  EXPECT_EQ(accepted.screenSize, 400);
  EXPECT_EQ(accepted.force24Bit, 1);
  EXPECT_EQ(accepted.inColour, 0x400040u);
  EXPECT_EQ(accepted.outColour, 0xC0C0C0u);

  COptionsDlg cancelled;
  EXPECT_EQ(RunDialog(Filled(cancelled), [](HWND d) {
              Click(d, IDC_DEFAULTS);
              EXPECT_EQ(Text(d, IDC_MAX_ITERATIONS), "200");
              Click(d, IDCANCEL);
            }),
            IDCANCEL);
  EXPECT_EQ(cancelled.zoomRate, 7);
  EXPECT_EQ(cancelled.maxIterations, 300);
  EXPECT_EQ(cancelled.screenSize, 500);
  EXPECT_EQ(cancelled.force24Bit, 0);
}

TEST(OptionsDialog, AnEmptiedIterationFieldKeepsTheDialogOpen) {
  COptionsDlg dialog;
  BoxCloser boxes;
  bool stillOpen = false;
  int afterLeaving = 0, afterEnter = 0;
  INT_PTR result = RunDialog(Filled(dialog), [&](HWND d) {
    HWND iterations = ::GetDlgItem(d, IDC_MAX_ITERATIONS);
    ::SetFocus(iterations);
    ::SetWindowTextA(iterations, "");
    ::SetFocus(::GetDlgItem(d, IDC_SCREEN_SIZE));
    afterLeaving = boxes.closed;
    EXPECT_EQ(::GetFocus(), iterations);
    ::PostMessageA(iterations, WM_KEYDOWN, VK_RETURN, 0);
    RunSoon([&, d] {
      afterEnter = boxes.closed;
      stillOpen = ::IsWindowVisible(d) != FALSE;
      ::SetDlgItemTextA(d, IDC_MAX_ITERATIONS, "500");
      Click(d, IDOK);
    });
  });
  EXPECT_TRUE(stillOpen);
  // One notice each time, however the focus moves meanwhile.
  EXPECT_EQ(afterLeaving, 1);
  EXPECT_EQ(afterEnter, 2);
  EXPECT_EQ(boxes.lastText, "Please enter an integer.");
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.maxIterations, 500);
}

TEST(OptionsDialog, SpinsStopAtTheEndsOfTheRanges) {
  struct Case {
    int id;
    const char* below;
    const char* top;
    const char* bottom;
  };
  const Case cases[] = {{IDC_ZOOM_RATE, "49", "50", "1"},
                        {IDC_MAX_ITERATIONS, "32766", "32767", "1"},
                        {IDC_SCREEN_SIZE, "1023", "1024", "128"}};
  COptionsDlg dialog;
  RunDialog(Filled(dialog), [&](HWND d) {
    for (const Case& c : cases) {
      HWND edit = ::GetDlgItem(d, c.id);
      ::SetFocus(edit);
      ::SetWindowTextA(edit, c.below);
      ::SendMessageA(edit, WM_KEYDOWN, VK_UP, 0);
      EXPECT_EQ(Text(d, c.id), c.top);
      ::SendMessageA(edit, WM_KEYDOWN, VK_UP, 0);
      EXPECT_EQ(Text(d, c.id), c.top);
      ::SetWindowTextA(edit, c.bottom);
      ::SendMessageA(edit, WM_KEYDOWN, VK_DOWN, 0);
      EXPECT_EQ(Text(d, c.id), c.bottom);
    }
    Click(d, IDCANCEL);
  });
}

TEST(OptionsDialog, PickedColoursReachTheCallerOnlyWithOk) {
  COptionsDlg cancelled;
  RunDialog(Filled(cancelled), [&](HWND d) {
    PickColour(d, IDC_IN_COLOUR, 4);
    EXPECT_EQ(cancelled.inButton.colour, kTable[4]);
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(cancelled.inColour, 0x112233u);

  COptionsDlg accepted;
  RunDialog(Filled(accepted), [](HWND d) {
    PickColour(d, IDC_IN_COLOUR, 4);
    PickColour(d, IDC_OUT_COLOUR, 9);
    Click(d, IDOK);
  });
  EXPECT_EQ(accepted.inColour, kTable[4]);
  EXPECT_EQ(accepted.outColour, kTable[9]);
}

// The Options command of a main frame that stands as the program's window.
class OptionsCommand : public testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    frame = CreateMainFrame();
    ASSERT_NE(frame, nullptr);
    AfxGetApp()->m_pMainWnd = frame;
  }
  void TearDown() override {
    // Not the main window any more, so its end does not quit.
    AfxGetApp()->m_pMainWnd = nullptr;
    frame->DestroyWindow();
    ClearSettings();
  }
  ViewParameters& Params() { return frame->View().Parameters(); }
  void Command(UINT id) { frame->SendMessage(WM_COMMAND, id); }
  void Options(std::function<void(HWND)> drive) {
    RunSoon([drive] { drive(::FindWindowA("#32770", "Options")); });
    Command(ID_VIEW_OPTIONS);
  }
  void Set(int id, const char* text) {
    Options([=](HWND d) {
      ::SetDlgItemTextA(d, id, text);
      Click(d, IDOK);
    });
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
  CSize ImageSize() {
    BITMAP bitmap = {};
    ::GetObjectA(::GetCurrentObject(frame->View().ImageDC(), OBJ_BITMAP), sizeof bitmap, &bitmap);
    return {bitmap.bmWidth, bitmap.bmHeight};
  }
  void ExpectStored(int in, int out, int force, int zoom, int iterations, int size) {
    EXPECT_EQ(StoredSetting("In Color"), in);
    EXPECT_EQ(StoredSetting("Out Color"), out);
    EXPECT_EQ(StoredSetting("Force 24-bit"), force);
    EXPECT_EQ(StoredSetting("Zoom Rate"), zoom);
    EXPECT_EQ(StoredSetting("Max Iterations"), iterations);
    EXPECT_EQ(StoredSetting("Window Size"), size);
  }

  CMainFrame* frame = nullptr;
};

TEST_F(OptionsCommand, OkWithNothingChangedStoresAllSixAndDrawsNothing) {
  Options([](HWND d) { Click(d, IDOK); });
  ExpectStored(0x400040, 0xC0C0C0, 1, 3, 200, 400);
  EXPECT_TRUE(Params().notRendered);
  EXPECT_TRUE(ImageBlack());

  Command(ID_VIEW_REFRESH);
  Mark();
  ClearSettings();
  Options([](HWND d) { Click(d, IDOK); });
  ExpectStored(0x400040, 0xC0C0C0, 1, 3, 200, 400);
  EXPECT_TRUE(Marked());
}

TEST_F(OptionsCommand, CancelChangesAndStoresNothing) {
  Command(ID_VIEW_REFRESH);
  Mark();
  Options([](HWND d) {
    ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, "300");
    ::SetDlgItemTextA(d, IDC_ZOOM_RATE, "9");
    PickColour(d, IDC_IN_COLOUR, 0);
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(StoredSetting("Zoom Rate"), std::nullopt);
  EXPECT_EQ(StoredSetting("In Color"), std::nullopt);
  EXPECT_EQ(Params().zoomRate, 3);
  EXPECT_EQ(Params().edge, 400);
  EXPECT_EQ(Params().inColour, 0x400040u);
  EXPECT_TRUE(Marked());
}

TEST_F(OptionsCommand, AZoomRateOrFlagAloneIsStoredWithoutRedrawing) {
  Command(ID_VIEW_REFRESH);
  Mark();
  Options([](HWND d) {
    ::SetDlgItemTextA(d, IDC_ZOOM_RATE, "5");
    ::CheckDlgButton(d, IDC_FORCE_24BIT, BST_UNCHECKED);
    Click(d, IDOK);
  });
  ExpectStored(0x400040, 0xC0C0C0, 0, 5, 200, 400);
  EXPECT_TRUE(Marked());
  frame->View().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
  EXPECT_DOUBLE_EQ(Params().halfWidth, 2.0 / 5);
}

TEST_F(OptionsCommand, ColoursOrIterationsRedrawOnlyAfterAFirstRender) {
  Options([](HWND d) {
    PickColour(d, IDC_IN_COLOUR, 0);
    Click(d, IDOK);
  });
  EXPECT_EQ(StoredSetting("In Color"), 0xFFFFFF);
  EXPECT_TRUE(Params().notRendered);
  EXPECT_TRUE(ImageBlack());

  Command(ID_VIEW_REFRESH);
  Mark();
  Options([](HWND d) {
    PickColour(d, IDC_OUT_COLOUR, 1);
    Click(d, IDOK);
  });
  EXPECT_EQ(Params().outColour, kTable[1]);
  EXPECT_FALSE(Marked());
  Mark();
  Set(IDC_MAX_ITERATIONS, "150");
  EXPECT_EQ(Params().maxIterations, 150);
  EXPECT_FALSE(Marked());
}

TEST_F(OptionsCommand, ANewSizeBeforeAnyRenderResizesAndLeavesABlackImage) {
  Set(IDC_SCREEN_SIZE, "300");
  EXPECT_EQ(StoredSetting("Window Size"), 300);
  CRect outer = frame->GetWindowRect();
  EXPECT_EQ(outer.Width(), CMainFrame::FrameSizeFor(300).cx);
  EXPECT_EQ(outer.Height(), CMainFrame::FrameSizeFor(300).cy);
  CRect client = frame->View().GetClientRect();
  EXPECT_EQ(client.Width(), 300);
  EXPECT_EQ(client.Height(), 300);
  EXPECT_EQ(ImageSize().cx, 300);
  EXPECT_EQ(ImageSize().cy, 300);
  EXPECT_EQ(Params().halfEdge, 150);
  EXPECT_TRUE(Params().notRendered);
  EXPECT_TRUE(ImageBlack());

  frame->View().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));  // the first click renders the start
  EXPECT_FALSE(Params().notRendered);
  EXPECT_DOUBLE_EQ(Params().halfWidth, 2.0);
  EXPECT_FALSE(ImageBlack());
}

TEST_F(OptionsCommand, ANewSizeAfterARenderShowsTheSameRegionAtTheNewSize) {
  Command(ID_VIEW_REFRESH);
  frame->View().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(150, 220));
  const double halfWidth = Params().halfWidth, x = Params().centreX, y = Params().centreY;
  Set(IDC_SCREEN_SIZE, "1024");  // taller than the screen: the stored size lets the frame grow
  CRect client = frame->View().GetClientRect();
  EXPECT_EQ(client.Width(), 1024);
  EXPECT_EQ(client.Height(), 1024);
  EXPECT_EQ(ImageSize().cx, 1024);
  EXPECT_EQ(Params().halfWidth, halfWidth);
  EXPECT_EQ(Params().centreX, x);
  EXPECT_EQ(Params().centreY, y);
  EXPECT_FALSE(ImageBlack());
}

}  // namespace

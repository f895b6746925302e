#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"
#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/File.h"
#include "framework/Frame.h"

namespace {

constexpr UINT kFirst = WM_APP + 1;
constexpr UINT kSecond = WM_APP + 2;
constexpr UINT kUnmapped = WM_APP + 3;

std::vector<std::string> calls;

// ---------------------------------------------------------------------------
// Message maps

class CBaseProbe : public CWnd {
 public:
  BOOL CreateProbe() { return CreateEx(0, nullptr, "probe", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr); }

 protected:
  LRESULT OnFirst(WPARAM, LPARAM) {
    calls.push_back("base first");
    return 11;
  }
  LRESULT OnSecond(WPARAM, LPARAM) {
    calls.push_back("base second");
    return 12;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseProbe, CWnd)
  ON_MESSAGE(kFirst, OnFirst)
  ON_MESSAGE(kSecond, OnSecond)
END_MESSAGE_MAP()

class CDerivedProbe : public CBaseProbe {
 public:
  WPARAM lastW = 0;
  LPARAM lastL = 0;
  CPoint lastClick;

 protected:
  LRESULT OnSecondHere(WPARAM w, LPARAM l) {
    calls.push_back("derived second");
    lastW = w;
    lastL = l;
    return 22;
  }
  // Logs, then lets the system do what it would have done.
  LRESULT OnSetText(WPARAM, LPARAM) {
    calls.push_back("set text");
    return Default();
  }
  void OnLButtonUp(UINT, CPoint point) { lastClick = point; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedProbe, CBaseProbe)
  ON_MESSAGE(kSecond, OnSecondHere)
  ON_MESSAGE(WM_SETTEXT, OnSetText)
  ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

TEST(MessageMap, DerivedEntriesOverrideAndBaseEntriesStillRun) {
  CDerivedProbe probe;
  ASSERT_TRUE(probe.CreateProbe());
  calls.clear();
  EXPECT_EQ(probe.SendMessage(kFirst), 11);
  const LPARAM wide = static_cast<LPARAM>(-0x12345678);
  EXPECT_EQ(probe.SendMessage(kSecond, 0xBEEF, wide), 22);
  EXPECT_EQ(probe.lastW, 0xBEEFu);
  EXPECT_EQ(probe.lastL, wide);
  EXPECT_EQ(probe.SendMessage(kUnmapped), 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"base first", "derived second"}));

  // Default() inside a handler does the system's processing of that message.
  probe.SetWindowText("changed");
  EXPECT_EQ(probe.GetWindowText(), "changed");
  EXPECT_EQ(calls.back(), "set text");

  // Client coordinates left of and above the window are negative.
  probe.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(-5, -7));
  EXPECT_EQ(probe.lastClick.x, -5);
  EXPECT_EQ(probe.lastClick.y, -7);
}

// A subclassed system control keeps its own behaviour for what we do not map.
TEST(MessageMap, SubclassedControlFallsBackToItsOwnProcedure) {
  HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  {
    CDerivedProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(edit));
    EXPECT_EQ(CWnd::FromHandlePermanent(edit), &probe);
    EXPECT_FALSE(CDerivedProbe().SubclassWindow(edit));  // already ours
    calls.clear();
    ::SetWindowTextA(edit, "12345");
    EXPECT_EQ(calls, std::vector<std::string>{"set text"});
    EXPECT_EQ(::SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0), 5);
    ::SendMessageA(edit, EM_SETSEL, 1, 3);
    DWORD start = 0, end = 0;
    ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u);
  }
  // The object went with the window.
  EXPECT_FALSE(::IsWindow(edit));
}

// ---------------------------------------------------------------------------
// Reflection of notifications back to our child controls

constexpr int kReflecting = 101;
constexpr int kPlain = 102;
constexpr int kOwnerDrawn = 103;
constexpr int kOwnerDrawnStatic = 104;

class CReflectingButton : public CButton {
 public:
  int clicks = 0;
  std::vector<UINT> colourTypes;
  HBRUSH brush = nullptr;  // what CtlColor answers
  std::vector<DRAWITEMSTRUCT> drawn;

  void DrawItem(LPDRAWITEMSTRUCT item) override { drawn.push_back(*item); }

 protected:
  void OnClicked() { ++clicks; }
  HBRUSH CtlColor(HDC, UINT type) {
    colourTypes.push_back(type);
    return brush;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CButton)
  ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
  ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class CParentProbe : public CWnd {
 public:
  HBRUSH ownBrush = ::CreateSolidBrush(RGB(1, 2, 3));
  ~CParentProbe() override { ::DeleteObject(ownBrush); }

 protected:
  void OnClickedReflecting() { calls.push_back("parent: reflecting clicked"); }
  void OnDoubleClickedReflecting() { calls.push_back("parent: reflecting double-clicked"); }
  void OnClickedPlain() { calls.push_back("parent: plain clicked"); }
  LRESULT OnCtlColorButton(WPARAM, LPARAM) {
    calls.push_back("parent: colour");
    return reinterpret_cast<LRESULT>(ownBrush);
  }
  LRESULT OnDrawItem(WPARAM, LPARAM lParam) {
    calls.push_back("parent: draw " + std::to_string(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlID));
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentProbe, CWnd)
  ON_BN_CLICKED(kReflecting, OnClickedReflecting)
  ON_CONTROL(BN_DOUBLECLICKED, kReflecting, OnDoubleClickedReflecting)
  ON_BN_CLICKED(kPlain, OnClickedPlain)
  ON_MESSAGE(WM_CTLCOLORBTN, OnCtlColorButton)
  ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
END_MESSAGE_MAP()

HWND MakeChild(HWND parent, const char* cls, DWORD style, int id, int x) {
  return ::CreateWindowExA(0, cls, "x", WS_CHILD | WS_VISIBLE | style, x, 10, 40, 30, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

class Reflection : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr));
    ASSERT_TRUE(reflecting.SubclassWindow(MakeChild(parent, "BUTTON", BS_PUSHBUTTON, kReflecting, 0)));
    ASSERT_TRUE(plain.SubclassWindow(MakeChild(parent, "BUTTON", BS_PUSHBUTTON, kPlain, 50)));
    calls.clear();
  }
  LRESULT Notify(HWND child, int code) {
    return parent.SendMessage(WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(child), code), reinterpret_cast<LPARAM>(child));
  }

  CParentProbe parent;
  CReflectingButton reflecting;
  CButton plain;
};

TEST_F(Reflection, ClickGoesToTheChildFirstAndElseToTheParent) {
  reflecting.SendMessage(BM_CLICK);
  EXPECT_EQ(reflecting.clicks, 1);
  EXPECT_TRUE(calls.empty());

  // The child has no entry for this code: the parent's map takes it.
  Notify(reflecting, BN_DOUBLECLICKED);
  EXPECT_EQ(reflecting.clicks, 1);
  EXPECT_EQ(calls, std::vector<std::string>{"parent: reflecting double-clicked"});

  calls.clear();
  plain.SendMessage(BM_CLICK);
  EXPECT_EQ(calls, std::vector<std::string>{"parent: plain clicked"});
}

TEST_F(Reflection, ControlColourTakesTheChildsBrushUnlessItGivesNone) {
  HDC dc = ::GetDC(parent);
  HBRUSH childBrush = ::CreateSolidBrush(RGB(9, 8, 7));
  reflecting.brush = childBrush;
  EXPECT_EQ(parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(
                                                                                 reflecting.GetSafeHwnd())),
            reinterpret_cast<LRESULT>(childBrush));
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(reflecting.colourTypes, std::vector<UINT>{CTLCOLOR_BTN});

  // Each kind of colour message arrives as the one reflected message with its type.
  parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(reflecting.GetSafeHwnd()));
  parent.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(reflecting.GetSafeHwnd()));
  EXPECT_EQ(reflecting.colourTypes, (std::vector<UINT>{CTLCOLOR_BTN, CTLCOLOR_STATIC, CTLCOLOR_EDIT}));

  // No brush from the child, or a child without the entry: the parent colours.
  reflecting.brush = nullptr;
  EXPECT_EQ(parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(reflecting.GetSafeHwnd())),
            reinterpret_cast<LRESULT>(parent.ownBrush));
  EXPECT_EQ(parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(plain.GetSafeHwnd())),
            reinterpret_cast<LRESULT>(parent.ownBrush));
  EXPECT_EQ(calls, (std::vector<std::string>{"parent: colour", "parent: colour"}));
  ::ReleaseDC(parent, dc);
  ::DeleteObject(childBrush);
}

TEST_F(Reflection, OwnerDrawingGoesToTheControlsDrawItem) {
  CReflectingButton drawn;
  ASSERT_TRUE(drawn.SubclassWindow(MakeChild(parent, "BUTTON", BS_OWNERDRAW, kOwnerDrawn, 100)));
  CStatic staticControl;  // ours, but with no drawing of its own
  ASSERT_TRUE(staticControl.SubclassWindow(MakeChild(parent, "STATIC", SS_OWNERDRAW, kOwnerDrawnStatic, 150)));
  calls.clear();
  ::RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ASSERT_FALSE(drawn.drawn.empty());
  EXPECT_EQ(drawn.drawn.back().CtlID, static_cast<UINT>(kOwnerDrawn));
  EXPECT_EQ(drawn.drawn.back().hwndItem, drawn.GetSafeHwnd());
  std::vector<std::string> parentDrew;
  for (const std::string& call : calls)
    if (call.rfind("parent: draw", 0) == 0) parentDrew.push_back(call);
  EXPECT_EQ(parentDrew, std::vector<std::string>{"parent: draw " + std::to_string(kOwnerDrawnStatic)});
}

// ---------------------------------------------------------------------------
// Commands: routing and enabling

constexpr UINT kGuarded = 40001;    // has an update handler
constexpr UINT kUnguarded = 40002;  // handler only
constexpr UINT kOrphan = 40003;     // no handler anywhere

class CCommandFrame : public CFrameWnd {
 public:
  bool guardedEnabled = false;
  int guardedRuns = 0;
  int unguardedRuns = 0;

  BOOL CreateWithKeys(HMENU menu) {
    const ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'G', kGuarded}, {FVIRTKEY | FCONTROL, 'U', kUnguarded}};
    m_hAccelTable = ::CreateAcceleratorTableA(const_cast<ACCEL*>(keys), 2);
    return CreateEx(0, nullptr, "commands", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, menu);
  }
  ~CCommandFrame() override { ::DestroyAcceleratorTable(m_hAccelTable); }

 protected:
  void OnGuarded() { ++guardedRuns; }
  void OnUpdateGuarded(CCmdUI* ui) { ui->Enable(guardedEnabled); }
  void OnUnguarded() { ++unguardedRuns; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCommandFrame, CFrameWnd)
  ON_COMMAND(kGuarded, OnGuarded)
  ON_UPDATE_COMMAND_UI(kGuarded, OnUpdateGuarded)
  ON_COMMAND(kUnguarded, OnUnguarded)
END_MESSAGE_MAP()

// Ctrl held down for TranslateAccelerator.
class CtrlDown {
 public:
  CtrlDown() {
    ::GetKeyboardState(m_saved);
    BYTE down[256];
    std::copy(std::begin(m_saved), std::end(m_saved), down);
    down[VK_CONTROL] = 0x80;
    ::SetKeyboardState(down);
  }
  ~CtrlDown() { ::SetKeyboardState(m_saved); }

 private:
  BYTE m_saved[256] = {};
};

BOOL PressKey(CWnd& frame, WPARAM key) {
  MSG msg = {frame, WM_KEYDOWN, key, 0x00000001, ::GetTickCount(), {0, 0}};
  return frame.PreTranslateMessage(&msg);
}

// Without a menu item the system cannot grey a command: the framework's own
// check keeps a disabled command from running from its key.
TEST(Commands, DisabledCommandDoesNotRunFromItsAccelerator) {
  auto* frame = new CCommandFrame;
  ASSERT_TRUE(frame->CreateWithKeys(nullptr));
  CtrlDown ctrl;
  EXPECT_TRUE(PressKey(*frame, 'G'));
  EXPECT_EQ(frame->guardedRuns, 0);
  frame->guardedEnabled = true;
  EXPECT_TRUE(PressKey(*frame, 'G'));
  EXPECT_EQ(frame->guardedRuns, 1);
  EXPECT_TRUE(PressKey(*frame, 'U'));
  EXPECT_EQ(frame->unguardedRuns, 1);

  // A disabled command sent as a menu choice does not run either.
  frame->guardedEnabled = false;
  frame->SendMessage(WM_COMMAND, kGuarded);
  EXPECT_EQ(frame->guardedRuns, 1);
  frame->DestroyWindow();
}

TEST(Commands, OpeningAMenuGreysWhatCannotRun) {
  HMENU bar = ::CreateMenu();
  HMENU popup = ::CreatePopupMenu();
  ::AppendMenuA(popup, MF_STRING, kGuarded, "guarded");
  ::AppendMenuA(popup, MF_STRING, kUnguarded, "unguarded");
  ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(popup, MF_STRING, kOrphan, "orphan");
  ::AppendMenuA(popup, MF_STRING, ID_APP_EXIT, "exit");  // the application's
  ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "menu");
  auto* frame = new CCommandFrame;
  ASSERT_TRUE(frame->CreateWithKeys(bar));

  auto greyed = [&](UINT id) {
    return (::GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
  };
  auto open = [&](BOOL systemMenu) {
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(0, systemMenu));
  };
  open(FALSE);
  EXPECT_TRUE(greyed(kGuarded));
  EXPECT_FALSE(greyed(kUnguarded));
  EXPECT_TRUE(greyed(kOrphan));
  EXPECT_FALSE(greyed(ID_APP_EXIT));

  frame->guardedEnabled = true;
  open(TRUE);  // the system menu is left alone
  EXPECT_TRUE(greyed(kGuarded));
  open(FALSE);
  EXPECT_FALSE(greyed(kGuarded));
  EXPECT_TRUE(greyed(kOrphan));
  frame->DestroyWindow();
}

// A frame that would also take Refresh and About: the view still comes first,
// and the frame comes before the application.
class CRoutingFrame : public CMainFrame {
 public:
  int refreshes = 0;
  int abouts = 0;

 protected:
  void OnFrameRefresh() { ++refreshes; }
  void OnFrameAbout() { ++abouts; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRoutingFrame, CMainFrame)
  ON_COMMAND(ID_VIEW_REFRESH, OnFrameRefresh)
  ON_COMMAND(ID_APP_ABOUT, OnFrameAbout)
END_MESSAGE_MAP()

TEST(Commands, ViewThenFrameThenApplication) {
  ClearSettings();
  StoreSetting("Window Size", 128);
  auto* frame = new CRoutingFrame;
  ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, CMainFrame::kStyle));
  frame->SendMessage(WM_COMMAND, ID_VIEW_REFRESH);
  EXPECT_FALSE(frame->View().Parameters().notRendered);
  EXPECT_EQ(frame->refreshes, 0);
  frame->SendMessage(WM_COMMAND, ID_APP_ABOUT);
  EXPECT_EQ(frame->abouts, 1);
  frame->DestroyWindow();

  // Without the frame's entry About reaches the application, which shows the box.
  CMainFrame* plain = CreateMainFrame();
  ASSERT_NE(plain, nullptr);
  CWinApp* app = AfxGetApp();
  app->m_pMainWnd = plain;
  bool aboutShown = false;
  RunSoon([&] {
    HWND box = ::FindWindowA("#32770", "About Fractavo");
    aboutShown = box && ::GetWindow(box, GW_OWNER) == plain->GetSafeHwnd();
    if (box) ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  plain->SendMessage(WM_COMMAND, ID_APP_ABOUT);
  EXPECT_TRUE(aboutShown);

  // Exit is the application's: it closes the main window, which ends the loop.
  HWND hwnd = *plain;
  ::SendMessageA(hwnd, WM_COMMAND, ID_APP_EXIT, 0);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  MSG quit;
  EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  ClearSettings();
}

// ---------------------------------------------------------------------------
// Modal dialogs and data exchange, on the Options template

struct Seen {
  bool shown = false;
  std::string text;
  bool icon = false;
};

// The static control of a message box that shows the given icon, if any.
bool ShowsIcon(HWND box, LPCSTR which) {
  HICON wanted = ::LoadIconA(nullptr, which);
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0)) == wanted) return true;
  return false;
}

// Reads and closes the next message box captioned "Fractavo", from inside its loop.
void CloseNextMessageBox(Seen* seen, LPCSTR icon, int tries = 100) {
  RunSoon([=] {
    HWND box = ::FindWindowA("#32770", "Fractavo");
    if (!box || !::IsWindowVisible(box)) {
      if (tries > 0) CloseNextMessageBox(seen, icon, tries - 1);
      return;
    }
    seen->shown = true;
    char text[256] = "";
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen->text = text;
    seen->icon = ShowsIcon(box, icon);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  }, 20);
}

class CExchangeDialog : public CDialog {
 public:
  explicit CExchangeDialog(CWnd* parent) : CDialog(IDD_OPTIONS, parent) {}
  int zoom = 7;
  int iterations = -12;
  int size = 400;
  int check = 0;
  CReflectingButton button;
  std::vector<MSG> keysSeen;

  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN) keysSeen.push_back(*msg);
    return CDialog::PreTranslateMessage(msg);
  }

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, IDC_IN_COLOUR, button);
    DDX_Text(dx, IDC_ZOOM_RATE, zoom);
    DDX_Text(dx, IDC_MAX_ITERATIONS, iterations);
    DDX_Text(dx, IDC_SCREEN_SIZE, size);
    DDX_Check(dx, IDC_FORCE_24BIT, check);
  }
};

std::string ItemText(HWND dialog, int id) {
  char text[64] = "";
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

class DialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    owner = CreateMainFrame();
    ASSERT_NE(owner, nullptr);
    owner->ShowWindow(SW_SHOW);
  }
  void TearDown() override {
    if (owner) owner->DestroyWindow();
  }
  CMainFrame* owner = nullptr;
};

TEST_F(DialogTest, ValuesGoInAtStartAndComeBackOnOK) {
  CExchangeDialog dialog(owner);
  bool ownerDisabled = false;
  RunSoon([&] {
    HWND d = dialog;
    EXPECT_EQ(ItemText(d, IDC_ZOOM_RATE), "7");
    EXPECT_EQ(ItemText(d, IDC_MAX_ITERATIONS), "-12");
    EXPECT_EQ(ItemText(d, IDC_SCREEN_SIZE), "400");
    EXPECT_EQ(::IsDlgButtonChecked(d, IDC_FORCE_24BIT), BST_UNCHECKED);
    EXPECT_EQ(CWnd::FromHandlePermanent(::GetDlgItem(d, IDC_IN_COLOUR)), &dialog.button);
    ownerDisabled = !::IsWindowEnabled(*owner);
    // The dialog returns a reflected colour brush itself.
    HBRUSH brush = ::CreateSolidBrush(RGB(4, 5, 6));
    dialog.button.brush = brush;
    EXPECT_EQ(::SendMessageA(d, WM_CTLCOLORBTN, 0, reinterpret_cast<LPARAM>(dialog.button.GetSafeHwnd())),
              reinterpret_cast<LRESULT>(brush));
    dialog.button.brush = nullptr;
    ::DeleteObject(brush);

    ::SetDlgItemTextA(d, IDC_ZOOM_RATE, "42");
    ::SetDlgItemTextA(d, IDC_MAX_ITERATIONS, "-3");
    ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, "2147483647");
    ::CheckDlgButton(d, IDC_FORCE_24BIT, BST_CHECKED);
    ::PostMessageA(d, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(::IsWindowEnabled(*owner));
  EXPECT_EQ(dialog.zoom, 42);
  EXPECT_EQ(dialog.iterations, -3);
  EXPECT_EQ(dialog.size, 2147483647);
  EXPECT_EQ(dialog.check, 1);
  // The attached control let go of its window when the dialog went.
  EXPECT_EQ(dialog.button.GetSafeHwnd(), nullptr);
}

TEST_F(DialogTest, CancelReadsNothingBack) {
  CExchangeDialog dialog(owner);
  RunSoon([&] {
    ::SetDlgItemTextA(dialog, IDC_ZOOM_RATE, "42");
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.zoom, 7);
  EXPECT_TRUE(::IsWindowEnabled(*owner));
}

// A field that is not an integer: the notice, the focus back in that field
// with its text selected, the fields before it read and those after it not,
// and the dialog stays open.
TEST_F(DialogTest, NotAnIntegerKeepsTheDialogOpen) {
  for (const char* bad : {"", "12x", "99999999999", "-"}) {
    SCOPED_TRACE(bad);
    CExchangeDialog dialog(owner);
    Seen notice;
    bool stayedOpen = false;
    HWND focusAfter = nullptr, field = nullptr;
    DWORD selStart = 1, selEnd = 0;
    RunSoon([&] {
      HWND d = dialog;
      field = ::GetDlgItem(d, IDC_MAX_ITERATIONS);
      ::SetDlgItemTextA(d, IDC_ZOOM_RATE, "9");
      ::SetWindowTextA(field, bad);
      ::SetDlgItemTextA(d, IDC_SCREEN_SIZE, "500");
      ::SetFocus(::GetDlgItem(d, IDC_ZOOM_RATE));
      CloseNextMessageBox(&notice, IDI_EXCLAMATION);
      ::SendMessageA(d, WM_COMMAND, IDOK, 0);  // returns once the notice is closed
      stayedOpen = ::IsWindowVisible(d) != FALSE;
      focusAfter = ::GetFocus();
      ::SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
      ::SetWindowTextA(field, "77");
      ::PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(notice.shown);
    EXPECT_EQ(notice.text, "Please enter an integer.");
    EXPECT_TRUE(notice.icon);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(focusAfter, field);
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, std::string(bad).size());
    EXPECT_EQ(dialog.iterations, 77);
    EXPECT_EQ(dialog.zoom, 9);
    EXPECT_EQ(dialog.size, 500);
  }
}

// Keys for the dialog pass through PreTranslateMessage and the dialog's
// keyboard handling: Enter in a field presses the default button.
TEST_F(DialogTest, KeysGoThroughPreTranslateMessage) {
  CExchangeDialog dialog(owner);
  HWND edit = nullptr;
  RunSoon([&] {
    edit = ::GetDlgItem(dialog, IDC_ZOOM_RATE);
    ::SetFocus(edit);
    ::PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_FALSE(dialog.keysSeen.empty());
  EXPECT_EQ(dialog.keysSeen.front().hwnd, edit);
  EXPECT_EQ(dialog.keysSeen.front().wParam, static_cast<WPARAM>(VK_RETURN));
}

// A quit during a modal dialog ends the dialog and still reaches the outer loop.
TEST_F(DialogTest, QuitEndsTheDialogAndStaysQueued) {
  CExchangeDialog dialog(owner);
  RunSoon([] { ::PostQuitMessage(3); });
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_TRUE(::IsWindowEnabled(*owner));
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
  MSG quit;
  ASSERT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 3u);
}

// ---------------------------------------------------------------------------
// Files and their exceptions

std::string TempPath(const char* name) {
  char folder[MAX_PATH] = "";
  ::GetTempPathA(sizeof folder, folder);
  return std::string(folder) + name;
}

CFileException OpenFailure(const std::string& path, UINT flags) {
  try {
    CFile file(path, flags);
  } catch (CFileException& e) {
    return e;
  }
  return CFileException(CFileException::none, 0, "");
}

TEST(File, FailuresNameTheCauseAndTheFile) {
  const std::string missing = TempPath("fractavo-no-such-file.spt");
  ::DeleteFileA(missing.c_str());
  CFileException e = OpenFailure(missing, CFile::modeRead);
  EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(e.m_lOsError, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(e.m_strFileName, missing);
  EXPECT_EQ(e.GetErrorMessage(), missing + " was not found.");

  const std::string noFolder = TempPath("fractavo-no-such-folder\\x.spt");
  e = OpenFailure(noFolder, CFile::modeCreate | CFile::modeWrite);
  EXPECT_EQ(e.m_cause, CFileException::badPath);
  EXPECT_NE(e.GetErrorMessage().find(noFolder), std::string::npos);

  // Readers that deny writing can share; a writer then cannot get in.
  const std::string path = TempPath("fractavo-shared.spt");
  {
    CFile writer(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
    writer.Write("abcde", 5);
    e = OpenFailure(path, CFile::modeRead | CFile::shareDenyNone);
    EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(e.m_lOsError, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(e.GetErrorMessage(), path + " is in use by another program.");
  }
  {
    CFile reader(path, CFile::modeRead | CFile::shareDenyWrite);
    CFile second(path, CFile::modeRead | CFile::shareDenyWrite);
    char buffer[16] = "";
    EXPECT_EQ(second.Read(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "abcde");
    EXPECT_EQ(second.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(OpenFailure(path, CFile::modeWrite | CFile::shareDenyNone).m_cause, CFileException::sharingViolation);
  }
  // modeCreate empties an existing file.
  { CFile again(path, CFile::modeCreate | CFile::modeWrite); }
  CFile emptied(path, CFile::modeRead);
  char byte;
  EXPECT_EQ(emptied.Read(&byte, 1), 0u);
  emptied.Close();
  ::DeleteFileA(path.c_str());
}

// ---------------------------------------------------------------------------
// Exceptions in handlers, and windows that own themselves

constexpr UINT kThrowFile = WM_APP + 10;
constexpr UINT kThrowOther = WM_APP + 11;
constexpr UINT kAlive = WM_APP + 12;

class CThrowingProbe : public CWnd {
 protected:
  LRESULT OnThrowFile(WPARAM, LPARAM) {
    throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, "C:\\locked.spt");
  }
  LRESULT OnThrowOther(WPARAM, LPARAM) { throw std::runtime_error("out of luck"); }
  LRESULT OnAlive(WPARAM, LPARAM) { return 5; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrowingProbe, CWnd)
  ON_MESSAGE(kThrowFile, OnThrowFile)
  ON_MESSAGE(kThrowOther, OnThrowOther)
  ON_MESSAGE(kAlive, OnAlive)
END_MESSAGE_MAP()

TEST(Exceptions, AHandlersExceptionIsShownAndTheWindowGoesOn) {
  CThrowingProbe probe;
  ASSERT_TRUE(probe.CreateEx(0, nullptr, "thrower", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  Seen seen;
  CloseNextMessageBox(&seen, IDI_HAND);
  EXPECT_EQ(probe.SendMessage(kThrowFile), 0);
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(seen.text, "Access to C:\\locked.spt was denied.");
  EXPECT_TRUE(seen.icon);

  seen = {};
  CloseNextMessageBox(&seen, IDI_HAND);
  EXPECT_EQ(probe.SendMessage(kThrowOther), 0);
  EXPECT_TRUE(seen.shown);
  EXPECT_NE(seen.text.find("out of luck"), std::string::npos);

  EXPECT_EQ(probe.SendMessage(kAlive), 5);
}

bool selfOwnedGone = false;

class CSelfOwned : public CWnd {
 public:
  ~CSelfOwned() override { selfOwnedGone = true; }

 protected:
  void PostNcDestroy() override { delete this; }
};

// The other way to own oneself: a map entry of one's own for WM_NCDESTROY.
class CSelfOwnedByMap : public CWnd {
 public:
  ~CSelfOwnedByMap() override { selfOwnedGone = true; }

 protected:
  void OnNcDestroy() {
    CWnd::OnNcDestroy();
    delete this;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelfOwnedByMap, CWnd)
  ON_WM_NCDESTROY()
END_MESSAGE_MAP()

TEST(Lifetime, AWindowThatOwnsItselfGoesWithItsWindow) {
  for (bool byMap : {false, true}) {
    SCOPED_TRACE(byMap);
    selfOwnedGone = false;
    CWnd* owned = byMap ? static_cast<CWnd*>(new CSelfOwnedByMap) : new CSelfOwned;
    ASSERT_TRUE(owned->CreateEx(0, nullptr, "owned", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND hwnd = *owned;
    ::DestroyWindow(hwnd);
    EXPECT_TRUE(selfOwnedGone);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
  }
}

TEST(Lifetime, AnObjectThatGoesFirstTakesItsWindowAlong) {
  HWND stackHwnd;
  {
    CWnd onStack;
    ASSERT_TRUE(onStack.CreateEx(0, nullptr, "stack", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    stackHwnd = onStack;
  }
  EXPECT_FALSE(::IsWindow(stackHwnd));
}

}  // namespace

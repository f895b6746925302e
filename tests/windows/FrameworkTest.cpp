#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FrameworkTestIds.h"
#include "GuiTest.h"
#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/File.h"
#include "framework/Frame.h"

namespace {

constexpr UINT kFirst = WM_APP + 1;
constexpr UINT kSecond = WM_APP + 2;
constexpr UINT kUnmapped = WM_APP + 3;
constexpr UINT kThrowFile = WM_APP + 4;
constexpr UINT kThrowOther = WM_APP + 5;

std::vector<std::string> calls;
using Calls = std::vector<std::string>;

struct Seen {
  bool shown = false;
  std::string text;
  bool icon = false;
};

// Reads and closes the next message box, captioned with the application's
// name, from inside its loop.
void CloseNextMessageBox(Seen* seen, LPCSTR icon) {
  RunSoon(
      [=] {
        HWND box = WaitForWindow("#32770", AfxAppName());
        if (!box) return;
        char text[256] = "";
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        *seen = {true, text, false};
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
          seen->icon |= reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0)) == ::LoadIconA(nullptr, icon);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
      },
      20);
}

// ---------------------------------------------------------------------------
// Message maps

class CBaseProbe : public CWnd {
 protected:
  LRESULT OnFirst(WPARAM, LPARAM) { return calls.push_back("base first"), 11; }
  LRESULT OnSecond(WPARAM, LPARAM) { return calls.push_back("base second"), 12; }
  LRESULT OnThrowFile(WPARAM, LPARAM) {
    throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, "C:\\locked.spt");
  }
  LRESULT OnThrowOther(WPARAM, LPARAM) { throw std::runtime_error("out of luck"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseProbe, CWnd)
  ON_MESSAGE(kFirst, OnFirst)
  ON_MESSAGE(kSecond, OnSecond)
  ON_MESSAGE(kThrowFile, OnThrowFile)
  ON_MESSAGE(kThrowOther, OnThrowOther)
END_MESSAGE_MAP()

class CDerivedProbe : public CBaseProbe {
 public:
  WPARAM lastW = 0;
  LPARAM lastL = 0;
  CPoint lastClick;

 protected:
  LRESULT OnSecondHere(WPARAM w, LPARAM l) {
    lastW = w;
    lastL = l;
    return calls.push_back("derived second"), 22;
  }
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
  ASSERT_TRUE(probe.CreateEx(0, nullptr, "probe", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
  calls.clear();
  EXPECT_EQ(probe.SendMessage(kFirst), 11);
  const LPARAM wide = static_cast<LPARAM>(-0x12345678);
  EXPECT_EQ(probe.SendMessage(kSecond, 0xBEEF, wide), 22);
  EXPECT_EQ(probe.lastW, 0xBEEFu);
  EXPECT_EQ(probe.lastL, wide);
  EXPECT_EQ(probe.SendMessage(kUnmapped), 0);
  EXPECT_EQ(calls, (Calls{"base first", "derived second"}));

  probe.SetWindowText("changed");  // Default() does the system's part
  EXPECT_EQ(probe.GetWindowText(), "changed");
  EXPECT_EQ(calls.back(), "set text");

  probe.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(-5, -7));
  EXPECT_EQ(probe.lastClick.x, -5);
  EXPECT_EQ(probe.lastClick.y, -7);
}

// An exception from a handler is shown with the stop icon and the window goes on.
TEST(MessageMap, AHandlersExceptionIsShownAndTheWindowGoesOn) {
  CDerivedProbe probe;
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
  EXPECT_NE(seen.text.find("out of luck"), std::string::npos);
  EXPECT_EQ(probe.SendMessage(kFirst), 11);
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
    EXPECT_EQ(calls, Calls{"set text"});
    ::SendMessageA(edit, EM_SETSEL, 1, 3);
    EXPECT_EQ(::SendMessageA(edit, EM_GETSEL, 0, 0), MAKELRESULT(1, 3));
  }
  EXPECT_FALSE(::IsWindow(edit));  // the object took its window along
}

// ---------------------------------------------------------------------------
// Reflection of notifications back to our child controls

constexpr int kReflecting = 101;
constexpr int kPlain = 102;

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
  std::vector<UINT> drewIds;
  ~CParentProbe() override { ::DeleteObject(ownBrush); }

 protected:
  void OnDoubleClickedReflecting() { calls.push_back("double-clicked"); }
  void OnClickedPlain() { calls.push_back("plain clicked"); }
  LRESULT OnCtlColorButton(WPARAM, LPARAM) {
    calls.push_back("colour");
    return reinterpret_cast<LRESULT>(ownBrush);
  }
  LRESULT OnDrawItem(WPARAM, LPARAM lParam) {
    drewIds.push_back(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlID);
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentProbe, CWnd)
  ON_CONTROL(BN_DOUBLECLICKED, kReflecting, OnDoubleClickedReflecting)
  ON_BN_CLICKED(kPlain, OnClickedPlain)
  ON_MESSAGE(WM_CTLCOLORBTN, OnCtlColorButton)
  ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
END_MESSAGE_MAP()

HWND MakeChild(HWND parent, const char* cls, DWORD style, int id, int x) {
  return ::CreateWindowExA(0, cls, "x", WS_CHILD | WS_VISIBLE | style, x, 10, 40, 30, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

// Notifications, colour messages and owner drawing go to a child that is ours
// and has the entry; otherwise, or when its CtlColor gives no brush, to the parent.
TEST(Reflection, ChildFirstElseParent) {
  constexpr int kDrawn = 103, kStatic = 104;
  CParentProbe parent;
  CReflectingButton reflecting, drawn;
  CButton plain;
  CStatic staticControl;  // ours, but with no drawing of its own
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr));
  ASSERT_TRUE(reflecting.SubclassWindow(MakeChild(parent, "BUTTON", BS_PUSHBUTTON, kReflecting, 0)));
  ASSERT_TRUE(plain.SubclassWindow(MakeChild(parent, "BUTTON", BS_PUSHBUTTON, kPlain, 50)));
  ASSERT_TRUE(drawn.SubclassWindow(MakeChild(parent, "BUTTON", BS_OWNERDRAW, kDrawn, 100)));
  ASSERT_TRUE(staticControl.SubclassWindow(MakeChild(parent, "STATIC", SS_OWNERDRAW, kStatic, 150)));
  calls.clear();

  reflecting.SendMessage(BM_CLICK);
  EXPECT_EQ(reflecting.clicks, 1);
  parent.SendMessage(WM_COMMAND, MAKEWPARAM(kReflecting, BN_DOUBLECLICKED),
                     reinterpret_cast<LPARAM>(reflecting.GetSafeHwnd()));
  EXPECT_EQ(reflecting.clicks, 1);
  plain.SendMessage(BM_CLICK);
  EXPECT_EQ(calls, (Calls{"double-clicked", "plain clicked"}));

  HDC dc = ::GetDC(parent);
  auto colour = [&](UINT message, HWND child) {
    return parent.SendMessage(message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
  };
  calls.clear();
  HBRUSH childBrush = ::CreateSolidBrush(RGB(9, 8, 7));
  reflecting.brush = childBrush;
  EXPECT_EQ(colour(WM_CTLCOLORBTN, reflecting), reinterpret_cast<LRESULT>(childBrush));
  colour(WM_CTLCOLORSTATIC, reflecting);
  colour(WM_CTLCOLOREDIT, reflecting);
  EXPECT_EQ(reflecting.colourTypes, (std::vector<UINT>{CTLCOLOR_BTN, CTLCOLOR_STATIC, CTLCOLOR_EDIT}));
  EXPECT_TRUE(calls.empty());
  reflecting.brush = nullptr;
  EXPECT_EQ(colour(WM_CTLCOLORBTN, reflecting), reinterpret_cast<LRESULT>(parent.ownBrush));
  EXPECT_EQ(colour(WM_CTLCOLORBTN, plain), reinterpret_cast<LRESULT>(parent.ownBrush));
  EXPECT_EQ(calls, (Calls{"colour", "colour"}));
  ::ReleaseDC(parent, dc);
  ::DeleteObject(childBrush);

  ::RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ASSERT_FALSE(drawn.drawn.empty());
  EXPECT_EQ(drawn.drawn.back().CtlID, static_cast<UINT>(kDrawn));
  EXPECT_EQ(drawn.drawn.back().hwndItem, drawn.GetSafeHwnd());
  EXPECT_EQ(parent.drewIds, std::vector<UINT>{kStatic});
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

  BOOL CreateWithKeys() {
    const ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'G', kGuarded}, {FVIRTKEY | FCONTROL, 'U', kUnguarded}};
    m_hAccelTable = ::CreateAcceleratorTableA(const_cast<ACCEL*>(keys), 2);
    return CreateEx(0, nullptr, "commands", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr);
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

// Opening a menu greys what cannot run, but leaves the system menu alone; a
// disabled command runs neither from its key nor as a command. The frame has
// no menu bar, so only the framework's own check keeps the key from running it.
TEST(Commands, DisabledCommandsAreGreyedAndDoNotRun) {
  auto* frame = new CCommandFrame;
  ASSERT_TRUE(frame->CreateWithKeys());
  HMENU popup = ::CreatePopupMenu();
  const UINT ids[] = {kGuarded, kUnguarded, kOrphan, ID_APP_EXIT};
  for (UINT id : ids) ::AppendMenuA(popup, MF_STRING, id, "item");
  auto greyedAfterOpening = [&](BOOL systemMenu) {
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(0, systemMenu));
    std::vector<bool> greyed;
    for (UINT id : ids) greyed.push_back((::GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) != 0);
    return greyed;
  };
  EXPECT_EQ(greyedAfterOpening(FALSE), (std::vector<bool>{true, false, true, false}));
  EXPECT_TRUE(PressCtrlKey(*frame, *frame, 'G'));
  EXPECT_EQ(frame->guardedRuns, 0);

  frame->guardedEnabled = true;
  EXPECT_EQ(greyedAfterOpening(TRUE), (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(greyedAfterOpening(FALSE), (std::vector<bool>{false, false, true, false}));
  EXPECT_TRUE(PressCtrlKey(*frame, *frame, 'G'));
  EXPECT_TRUE(PressCtrlKey(*frame, *frame, 'U'));
  EXPECT_EQ(frame->guardedRuns, 1);
  EXPECT_EQ(frame->unguardedRuns, 1);

  frame->guardedEnabled = false;
  frame->SendMessage(WM_COMMAND, kGuarded);
  EXPECT_EQ(frame->guardedRuns, 1);
  frame->DestroyWindow();
  ::DestroyMenu(popup);
}

// ---------------------------------------------------------------------------
// Modal dialogs and data exchange

class CExchangeDialog : public CDialog {
 public:
  explicit CExchangeDialog(CWnd* parent) : CDialog(IDD_EXCHANGE, parent) {}
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
    DDX_Control(dx, IDC_OWN_BUTTON, button);
    DDX_Text(dx, IDC_ZOOM, zoom);
    DDX_Text(dx, IDC_ITERATIONS, iterations);
    DDX_Text(dx, IDC_LENGTH, size);
    DDX_Check(dx, IDC_CHECK, check);
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
    owner = new CFrameWnd;
    ASSERT_TRUE(
        owner->CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
  }
  void TearDown() override {
    if (owner) owner->DestroyWindow();
  }
  CFrameWnd* owner = nullptr;
};

// Values go in at the start and come back only with OK. Keys pass through
// PreTranslateMessage and the dialog's own handling: Enter in a field is OK,
// Escape is Cancel.
TEST_F(DialogTest, ValuesGoInAndComeBackOnlyWithOK) {
  const std::pair<WPARAM, INT_PTR> cases[] = {{VK_RETURN, IDOK}, {VK_ESCAPE, IDCANCEL}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second);
    CExchangeDialog dialog(owner);
    bool ownerDisabled = false;
    HWND edit = nullptr;
    RunSoon([&] {
      HWND d = dialog;
      EXPECT_EQ(ItemText(d, IDC_ZOOM), "7");
      EXPECT_EQ(ItemText(d, IDC_ITERATIONS), "-12");
      EXPECT_EQ(::IsDlgButtonChecked(d, IDC_CHECK), BST_UNCHECKED);
      EXPECT_EQ(CWnd::FromHandlePermanent(::GetDlgItem(d, IDC_OWN_BUTTON)), &dialog.button);
      ownerDisabled = !::IsWindowEnabled(*owner);
      ::SetDlgItemTextA(d, IDC_ZOOM, "42");
      ::SetDlgItemTextA(d, IDC_ITERATIONS, "-3");
      ::SetDlgItemTextA(d, IDC_LENGTH, "99999999999");  // beyond an int: the nearest one
      ::CheckDlgButton(d, IDC_CHECK, BST_CHECKED);
      edit = ::GetDlgItem(d, IDC_ZOOM);
      ::SetFocus(edit);
      ::PostMessageA(edit, WM_KEYDOWN, c.first, 1);
    });
    EXPECT_EQ(dialog.DoModal(), c.second);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(::IsWindowEnabled(*owner));
    ASSERT_FALSE(dialog.keysSeen.empty());
    EXPECT_EQ(dialog.keysSeen.front().hwnd, edit);
    EXPECT_EQ(dialog.keysSeen.front().wParam, c.first);
    const bool ok = c.second == IDOK;
    EXPECT_EQ(dialog.zoom, ok ? 42 : 7);
    EXPECT_EQ(dialog.iterations, ok ? -3 : -12);
    EXPECT_EQ(dialog.size, ok ? 2147483647 : 400);
    EXPECT_EQ(dialog.check, ok ? 1 : 0);
    EXPECT_EQ(dialog.button.GetSafeHwnd(), nullptr);  // let go of its window with the dialog
  }
}

// A field that is not an integer: the notice, the focus back in that field
// with its text selected, and the dialog stays open.
TEST_F(DialogTest, NotAnIntegerKeepsTheDialogOpen) {
  for (const char* bad : {"", "12x", "-"}) {
    SCOPED_TRACE(bad);
    CExchangeDialog dialog(owner);
    Seen notice;
    bool stayedOpen = false;
    HWND focusAfter = nullptr, field = nullptr;
    LRESULT selection = 0;
    RunSoon([&] {
      HWND d = dialog;
      field = ::GetDlgItem(d, IDC_ITERATIONS);
      ::SetDlgItemTextA(d, IDC_ZOOM, "9");
      ::SetWindowTextA(field, bad);
      ::SetFocus(::GetDlgItem(d, IDC_ZOOM));
      CloseNextMessageBox(&notice, IDI_EXCLAMATION);
      ::SendMessageA(d, WM_COMMAND, IDOK, 0);  // returns once the notice is closed
      stayedOpen = ::IsWindowVisible(d) != FALSE;
      focusAfter = ::GetFocus();
      selection = ::SendMessageA(field, EM_GETSEL, 0, 0);
      ::SetWindowTextA(field, "77");
      ::PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(notice.shown);
    EXPECT_EQ(notice.text, "Please enter an integer.");
    EXPECT_TRUE(notice.icon);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(focusAfter, field);
    EXPECT_EQ(selection, MAKELRESULT(0, std::string(bad).size()));
    EXPECT_EQ(dialog.iterations, 77);
    EXPECT_EQ(dialog.zoom, 9);
  }
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
  const std::string noFolder = TempPath("fractavo-no-such-folder\\x.spt");
  CFileException e = OpenFailure(noFolder, CFile::modeCreate | CFile::modeWrite);
  EXPECT_EQ(e.m_cause, CFileException::badPath);
  EXPECT_EQ(e.GetErrorMessage(), noFolder + " contains an incorrect path.");

  // Readers that deny writing can share; a writer then cannot get in.
  const std::string path = TempPath("fractavo-shared.spt");
  {
    CFile writer(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
    writer.Write("abcde", 5);
    e = OpenFailure(path, CFile::modeRead | CFile::shareDenyNone);
    EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
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
  { CFile again(path, CFile::modeCreate | CFile::modeWrite); }  // empties the file
  CFile emptied(path, CFile::modeRead);
  char byte;
  EXPECT_EQ(emptied.Read(&byte, 1), 0u);
  emptied.Close();
  ::DeleteFileA(path.c_str());
}

// A file handle is empty at INVALID_HANDLE_VALUE and closes what it holds
// once: when reset, not after a move or a release. An exclusive open tells.
TEST(File, AHandleClosesWhatItHoldsOnce) {
  const std::string path = TempPath("fractavo-handle.spt");
  auto open = [&] {
    return CFileHandle(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  CFileHandle held = open();
  ASSERT_TRUE(held);
  EXPECT_FALSE(open());
  CFileHandle moved(std::move(held));
  EXPECT_FALSE(held);
  EXPECT_FALSE(open());
  moved.reset();
  CFileHandle again = open();
  ASSERT_TRUE(again);
  HANDLE raw = again.release();
  EXPECT_FALSE(again);
  EXPECT_FALSE(open());
  ::CloseHandle(raw);
  EXPECT_TRUE(open());
  ::DeleteFileA(path.c_str());
}

// ---------------------------------------------------------------------------
// A window that owns itself through a map entry of its own for WM_NCDESTROY

bool selfOwnedGone = false;

class CSelfOwned : public CWnd {
 public:
  ~CSelfOwned() override { selfOwnedGone = true; }

 protected:
  void OnNcDestroy() {
    CWnd::OnNcDestroy();
    delete this;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelfOwned, CWnd)
  ON_WM_NCDESTROY()
END_MESSAGE_MAP()

TEST(Lifetime, AWindowThatOwnsItselfGoesWithItsWindow) {
  auto* owned = new CSelfOwned;
  ASSERT_TRUE(owned->CreateEx(0, nullptr, "owned", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  HWND hwnd = *owned;
  ::DestroyWindow(hwnd);
  EXPECT_TRUE(selfOwnedGone);
  EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
}

// The framework alone: a plain application object, named by its own resources.
CWinApp testApp;

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testApp.InitApplication(::GetModuleHandleA(nullptr));
  testApp.Enable3dControls();
  return RUN_ALL_TESTS();
}

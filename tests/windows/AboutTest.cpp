#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"
#include "ui/LinkLabel.h"

namespace {

// An address no program opens: the shell answers "file not found".
constexpr char kUnopenable[] = "x.unknownext-nothing";

// How a control's parent answered its colour message in a fresh device context.
struct Look {
  HBRUSH brush;
  COLORREF text;
  int backgroundMode;
  LOGFONTA font;
  HFONT fontHandle;
  bool controlFontUnderlined;  // what the control itself will select
};

Look ColourOf(HWND parent, HWND control) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ before = ::GetCurrentObject(dc, OBJ_FONT);
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetBkMode(dc, OPAQUE);
  Look look = {};
  look.brush = reinterpret_cast<HBRUSH>(
      ::SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  look.text = ::GetTextColor(dc);
  look.backgroundMode = ::GetBkMode(dc);
  look.fontHandle = static_cast<HFONT>(::GetCurrentObject(dc, OBJ_FONT));
  ::GetObjectA(look.fontHandle, sizeof look.font, &look.font);
  LOGFONTA own = {};
  ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)), sizeof own, &own);
  look.controlFontUnderlined = own.lfUnderline != 0;
  ::SelectObject(dc, before);  // so the control can delete its font
  ::DeleteDC(dc);
  return look;
}

LOGFONTA FontOf(HFONT font) {
  LOGFONTA description = {};
  ::GetObjectA(font, sizeof description, &description);
  return description;
}

const HBRUSH kHollow = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
constexpr COLORREF kBlue = RGB(0, 0, 255);

void ExpectLink(const Look& look, const LOGFONTA& controlFont) {
  EXPECT_EQ(look.brush, kHollow);
  EXPECT_EQ(look.text, kBlue);
  EXPECT_EQ(look.backgroundMode, TRANSPARENT);
  EXPECT_TRUE(look.font.lfUnderline);
  EXPECT_TRUE(look.controlFontUnderlined);
  EXPECT_EQ(look.font.lfHeight, controlFont.lfHeight);
  EXPECT_STREQ(look.font.lfFaceName, controlFont.lfFaceName);
}

void ExpectPlain(const Look& look) {
  EXPECT_NE(look.brush, kHollow);
  EXPECT_NE(look.text, kBlue);
  EXPECT_FALSE(look.font.lfUnderline);
  EXPECT_FALSE(look.controlFontUnderlined);
}

// Static controls of a window of ours, each made a link.
class Link : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "links", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                nullptr));
  }

  HWND AddLink(DWORD style, const char* text = "https://brisklane.example/", HFONT font = nullptr) {
    HWND control = ::CreateWindowExA(0, "Static", text, WS_CHILD | WS_VISIBLE | style, 10,
                                     10 + 20 * static_cast<int>(links.size()), 300, 16, parent, nullptr,
                                     ::GetModuleHandleA(nullptr), nullptr);
    if (font) ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    links.push_back(std::make_unique<CLinkLabel>());
    links.back()->SubclassWindow(control);
    return control;
  }

  CWnd parent;
  std::vector<std::unique_ptr<CLinkLabel>> links;
};

TEST_F(Link, ColoursOnlyPlainLeftCentreOrRightText) {
  const auto guiFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  ExpectLink(ColourOf(parent, AddLink(SS_LEFT, "left", guiFont)), FontOf(guiFont));
  ExpectLink(ColourOf(parent, AddLink(SS_CENTER | SS_SUNKEN, "centre", guiFont)), FontOf(guiFont));
  // Without a font of its own the control draws in the system font.
  const LOGFONTA systemFont = FontOf(static_cast<HFONT>(::GetStockObject(SYSTEM_FONT)));
  ExpectLink(ColourOf(parent, AddLink(SS_RIGHT)), systemFont);

  ExpectPlain(ColourOf(parent, AddLink(SS_ICON | SS_SUNKEN)));
  ExpectPlain(ColourOf(parent, AddLink(SS_LEFT | SS_NOPREFIX, "no prefix", guiFont)));
  ExpectPlain(ColourOf(parent, AddLink(SS_SIMPLE, "simple", guiFont)));
}

TEST_F(Link, TakesTheMouseOverItsWholeRectangleWithTheHand) {
  HWND link = AddLink(SS_LEFT, "short");
  RECT r;
  ::GetWindowRect(link, &r);
  // Corners, and a point far beyond the end of the text.
  for (POINT p : {POINT{r.left, r.top}, POINT{r.right - 1, r.bottom - 1}, POINT{r.right - 5, r.top + 3}})
    EXPECT_EQ(::SendMessageA(link, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLIENT) << p.x << "," << p.y;

  EXPECT_TRUE(::SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  ICONINFO hand = {};
  ASSERT_TRUE(::GetIconInfo(::GetCursor(), &hand));
  EXPECT_EQ(hand.xHotspot, 6u);
  EXPECT_EQ(hand.yHotspot, 0u);
  ::DeleteObject(hand.hbmMask);
  if (hand.hbmColor) ::DeleteObject(hand.hbmColor);
}

HGLOBAL WINAPI NoMemory(UINT, SIZE_T) { return nullptr; }

TEST_F(Link, AnAddressNothingOpensGoesToTheClipboardAsText) {
  HWND link = AddLink(SS_LEFT, kUnopenable);
  PutClipboardText(parent, "before");
  {
    // Out of memory: the clipboard keeps what it had.
    ScopedImportPatch failing("kernel32.dll", "GlobalAlloc", reinterpret_cast<const void*>(&NoMemory));
    ASSERT_TRUE(failing.Active());
    ::SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  }
  EXPECT_EQ(ClipboardText().value_or("(none)"), "before");

  ::SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  EXPECT_EQ(ClipboardText().value_or("(none)"), kUnopenable);
}

// The real About box, opened from the menu command through a main frame.
class AboutBox : public testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    frame = CreateMainFrame();
    ASSERT_NE(frame, nullptr);
    frame->ShowWindow(SW_SHOW);
  }
  void TearDown() override {
    if (frame) frame->DestroyWindow();
  }

  // Runs check on the open box, then closes it with OK.
  void WhileOpen(std::function<void(HWND dialog)> check) {
    RunSoon([check] {
      HWND dialog = ::FindWindowA("#32770", "About Fractavo");
      ASSERT_NE(dialog, nullptr);
      check(dialog);
      ::SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    frame->SendMessage(WM_COMMAND, ID_APP_ABOUT);
  }

  CMainFrame* frame = nullptr;
};

HWND ChildWithTextStarting(HWND dialog, const std::string& start) {
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    char text[256] = "";
    ::GetWindowTextA(child, text, sizeof text);
    if (std::string(text).rfind(start, 0) == 0) return child;
  }
  return nullptr;
}

TEST_F(AboutBox, ShowsTheLinkInTheDialogFontAndCopiesAnUnopenableAddress) {
  bool opened = false;
  WhileOpen([&](HWND dialog) {
    opened = true;
    HWND link = ::GetDlgItem(dialog, IDC_LINK);
    ASSERT_NE(CWnd::FromHandlePermanent(link), nullptr) << "bound to the link control";
    char address[256] = "";
    ::GetWindowTextA(link, address, sizeof address);
    EXPECT_EQ(std::string(address).rfind("https://", 0), 0u) << address;
    EXPECT_NE(std::string(address).find(".example/"), std::string::npos) << address;

    const LOGFONTA dialogFont = FontOf(reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0)));
    ExpectLink(ColourOf(dialog, link), dialogFont);
    HWND version = ChildWithTextStarting(dialog, "Fractavo version 1.5\n");
    ASSERT_NE(version, nullptr);
    ExpectPlain(ColourOf(dialog, version));

    ::SetWindowTextA(link, kUnopenable);
    ::SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(ClipboardText().value_or("(none)"), kUnopenable);
    EXPECT_TRUE(::IsWindowVisible(dialog)) << "the box stays open";
  });
  EXPECT_TRUE(opened);
  EXPECT_EQ(::FindWindowA("#32770", "About Fractavo"), nullptr);
}

TEST_F(AboutBox, OpenedTwiceLeavesNoObjectsBehind) {
  // Colours the link and shows its pointer, so its font and cursor are in use.
  std::vector<HFONT> fonts;
  std::vector<HCURSOR> cursors;
  auto use = [&](HWND dialog) {
    HWND link = ::GetDlgItem(dialog, IDC_LINK);
    fonts.push_back(ColourOf(dialog, link).fontHandle);
    ::SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    cursors.push_back(::GetCursor());
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
  };
  WhileOpen(use);  // the system's own first-time allocations
  const DWORD gdiBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD userBefore = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  WhileOpen(use);
  WhileOpen(use);
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), userBefore);

  // Wine's GetGuiResources always says 0, so also check the link's own font and cursor directly.
  ASSERT_EQ(fonts.size(), 3u);
  for (size_t i = 0; i < fonts.size(); ++i) {
    EXPECT_EQ(::GetObjectType(fonts[i]), 0u) << "font " << i << " deleted";
    ICONINFO info = {};
    EXPECT_FALSE(::GetIconInfo(cursors[i], &info)) << "cursor " << i << " destroyed";
  }
}

}  // namespace

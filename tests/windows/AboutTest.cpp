#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"
#include "ui/LinkLabel.h"

namespace {

// An address no program opens: the shell answers "file not found".
constexpr char kUnopenable[] = "x.unknownext-nothing";
const HBRUSH kHollow = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
constexpr COLORREF kBlue = RGB(0, 0, 255);

LOGFONTA FontOf(HGDIOBJ font) {
  LOGFONTA description = {};
  ::GetObjectA(font, sizeof description, &description);
  return description;
}

// Sends the control's colour message to parent in a fresh device context and
// checks the answer: a link's look in font underlined, or with no font the
// plain look. Returns the font the answer selected.
HFONT ExpectLook(HWND parent, HWND control, const LOGFONTA* font) {
  const bool link = font != nullptr;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ before = ::GetCurrentObject(dc, OBJ_FONT);
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetBkMode(dc, OPAQUE);
  const LRESULT brush =
      ::SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  const auto selected = static_cast<HFONT>(::GetCurrentObject(dc, OBJ_FONT));
  const LOGFONTA shown = FontOf(selected);
  EXPECT_EQ(reinterpret_cast<HBRUSH>(brush) == kHollow, link);
  EXPECT_EQ(::GetTextColor(dc) == kBlue, link);
  EXPECT_EQ(::GetBkMode(dc) == TRANSPARENT, link);
  EXPECT_EQ(shown.lfUnderline != 0, link);
  // The control's own font too, which it selects itself.
  EXPECT_EQ(FontOf(reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0))).lfUnderline != 0, link);
  if (link) {
    EXPECT_EQ(shown.lfHeight, font->lfHeight);
    EXPECT_STREQ(shown.lfFaceName, font->lfFaceName);
  }
  ::SelectObject(dc, before);  // so the control can delete its font
  ::DeleteDC(dc);
  return selected;
}

// Static controls of a window of ours, each made a link.
class Link : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        parent.CreateEx(0, nullptr, "links", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
  }

  HWND AddLink(DWORD style, HFONT font = nullptr, const char* text = "https://brisklane.example/") {
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
  const auto gui = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  const LOGFONTA guiFont = FontOf(gui), systemFont = FontOf(::GetStockObject(SYSTEM_FONT));
  // Without a font of its own a control draws in the system font.
  const struct {
    DWORD style;
    HFONT font;
    const LOGFONTA* shown;
  } cases[] = {{SS_LEFT, gui, &guiFont},
               {SS_CENTER | SS_SUNKEN, gui, &guiFont},
               {SS_RIGHT, nullptr, &systemFont},
               {SS_ICON | SS_SUNKEN, nullptr, nullptr},
               {SS_LEFT | SS_NOPREFIX, gui, nullptr},
               {SS_SIMPLE, gui, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.style);
    ExpectLook(parent, AddLink(c.style, c.font), c.shown);
  }
}

HGLOBAL WINAPI NoMemory(UINT, SIZE_T) { return nullptr; }

TEST_F(Link, TakesItsWholeRectangleAndCopiesAnAddressNothingOpens) {
  HWND link = AddLink(SS_LEFT, nullptr, kUnopenable);
  RECT r;
  ::GetWindowRect(link, &r);
  // Corners, and a point far beyond the end of the text.
  for (POINT p : {POINT{r.left, r.top}, POINT{r.right - 1, r.bottom - 1}, POINT{r.right - 5, r.top + 3}})
    EXPECT_EQ(::SendMessageA(link, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLIENT) << p.x << "," << p.y;

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

// The real About box, opened from the menu command three times.
TEST(AboutBox, ShowsTheLinkWithTheHandAndLeavesNoObjectsBehind) {
  ClearSettings();
  CMainFrame* frame = CreateMainFrame();
  ASSERT_NE(frame, nullptr);
  frame->ShowWindow(SW_SHOW);
  // Each time the link is coloured and shows its pointer, so its font and cursor are in use.
  std::vector<HFONT> fonts;
  std::vector<HCURSOR> cursors;
  auto open = [&] {
    RunSoon([&] {
      HWND dialog = ::FindWindowA("#32770", "About Fractavo");
      ASSERT_NE(dialog, nullptr);
      HWND link = ::GetDlgItem(dialog, IDC_LINK);
      char address[256] = "";
      ::GetWindowTextA(link, address, sizeof address);
      EXPECT_TRUE(std::regex_match(address, std::regex(R"(https://([\w-]+\.)+example/.*)"))) << address;
      const LOGFONTA dialogFont = FontOf(reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0)));
      fonts.push_back(ExpectLook(dialog, link, &dialogFont));
      EXPECT_TRUE(
          ::SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
      cursors.push_back(::GetCursor());
      ICONINFO hand = {};
      EXPECT_TRUE(::GetIconInfo(cursors.back(), &hand));
      EXPECT_EQ(hand.xHotspot, 6u);
      EXPECT_EQ(hand.yHotspot, 0u);
      ::DeleteObject(hand.hbmMask);
      if (hand.hbmColor) ::DeleteObject(hand.hbmColor);
      ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
      ::SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    frame->SendMessage(WM_COMMAND, ID_APP_ABOUT);
  };
  open();  // the system's own first-time allocations
  const DWORD gdiBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD userBefore = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  open();
  open();
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
  EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), userBefore);
  frame->DestroyWindow();

  // Wine's GetGuiResources always says 0, so also check the link's own font and cursor directly.
  ASSERT_EQ(fonts.size(), 3u);
  for (size_t i = 0; i < fonts.size(); ++i) {
    EXPECT_EQ(::GetObjectType(fonts[i]), 0u) << "font " << i << " deleted";
    ICONINFO info = {};
    EXPECT_FALSE(::GetIconInfo(cursors[i], &info)) << "cursor " << i << " destroyed";
  }
}

}  // namespace

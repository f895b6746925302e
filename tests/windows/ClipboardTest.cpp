#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"

namespace {

// A shown main frame with a rendered image, and text on the clipboard.
class Copy : public testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    frame = CreateMainFrame();
    ASSERT_NE(frame, nullptr);
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    frame->SendMessage(WM_COMMAND, ID_VIEW_RESTART);
    PumpMessages();
    PutClipboardText(*frame, "kept");
  }
  void TearDown() override {
    if (frame) frame->DestroyWindow();
  }
  void RunCopy() { frame->SendMessage(WM_COMMAND, ID_FILE_COPY); }
  void ExpectClipboardUnchanged() {
    EXPECT_EQ(ClipboardText().value_or("(none)"), "kept");
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_BITMAP));
  }

  CMainFrame* frame = nullptr;
};

TEST_F(Copy, PutsTheClientAreaWithItsPhysicalSize) {
  RunCopy();
  CFractalView& view = frame->View();
  const CRect client = view.GetClientRect();
  ASSERT_EQ(client.Width(), 400);
  HDC dc = ::GetDC(view);
  const int dpiX = ::GetDeviceCaps(dc, LOGPIXELSX);
  const int dpiY = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(view, dc);

  ASSERT_TRUE(::OpenClipboard(nullptr));
  EXPECT_FALSE(::IsClipboardFormatAvailable(CF_TEXT)) << "the previous contents are replaced";
  auto picture = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
  ASSERT_NE(picture, nullptr);
  BITMAP shape = {};
  ::GetObjectA(picture, sizeof shape, &shape);
  EXPECT_EQ(shape.bmWidth, client.Width());
  EXPECT_EQ(shape.bmHeight, client.Height());
  SIZE physical = {};
  ::GetBitmapDimensionEx(picture, &physical);
  // Truncated 0.1 mm: 400 pixels at 96 per inch are 1058.
  EXPECT_EQ(physical.cx, client.Width() * 254 / dpiX);
  EXPECT_EQ(physical.cy, client.Height() * 254 / dpiY);
  const auto copied = BitmapPixels(picture);
  ::CloseClipboard();

  const auto image = BitmapPixels(static_cast<HBITMAP>(::GetCurrentObject(view.ImageDC(), OBJ_BITMAP)));
  ASSERT_NE(image.front(), image[image.size() / 2 + 200]) << "the view shows a rendered image";
  EXPECT_TRUE(copied == image);
}

HBITMAP WINAPI NoBitmap(HDC, int, int) { return nullptr; }
HDC WINAPI NoDeviceContext(HDC) { return nullptr; }

TEST_F(Copy, ThatFailsLeavesTheClipboardAsItWas) {
  for (const auto& [function, replacement] :
       {std::pair<const char*, const void*>{"CreateCompatibleBitmap", reinterpret_cast<const void*>(&NoBitmap)},
        std::pair<const char*, const void*>{"CreateCompatibleDC", reinterpret_cast<const void*>(&NoDeviceContext)}}) {
    SCOPED_TRACE(function);
    ScopedImportPatch failing("gdi32.dll", function, replacement);
    ASSERT_TRUE(failing.Active());
    RunCopy();
    ExpectClipboardUnchanged();
  }

  // Another thread holds the clipboard open.
  HANDLE held = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    const bool open = ::OpenClipboard(nullptr);
    ::SetEvent(held);
    ::WaitForSingleObject(release, 10000);
    if (open) ::CloseClipboard();
  });
  ::WaitForSingleObject(held, 10000);
  const bool open = ::OpenClipboard(*frame);
  if (open) ::CloseClipboard();
  RunCopy();
  ::SetEvent(release);
  holder.join();
  ::CloseHandle(held);
  ::CloseHandle(release);
  EXPECT_FALSE(open) << "the other thread should hold the clipboard";
  ExpectClipboardUnchanged();
}

}  // namespace

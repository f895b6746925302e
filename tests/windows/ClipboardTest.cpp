#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"

namespace {

using Pixels = std::vector<std::uint32_t>;

// 32-bit top-down pixels of width x height, colour bits only.
BITMAPINFO PixelFormat(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

Pixels MaskColour(Pixels pixels) {
  for (auto& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

Pixels BitmapPixels(HBITMAP bitmap, int width, int height) {
  Pixels pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  BITMAPINFO info = PixelFormat(width, height);
  HDC screen = ::GetDC(nullptr);
  ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  return MaskColour(std::move(pixels));
}

Pixels DeviceContextPixels(HDC source, int width, int height) {
  Pixels pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  BITMAPINFO info = PixelFormat(width, height);
  void* bits = nullptr;
  HBITMAP copy = ::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = ::CreateCompatibleDC(source);
  HGDIOBJ old = ::SelectObject(memory, copy);
  ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
  ::GdiFlush();
  std::memcpy(pixels.data(), bits, pixels.size() * sizeof pixels[0]);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DeleteObject(copy);
  return MaskColour(std::move(pixels));
}

class Copy : public testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    frame = CreateMainFrame();
    ASSERT_NE(frame, nullptr);
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    PumpMessages();
    PutClipboardText(*frame, "kept");
  }
  void TearDown() override {
    if (frame) frame->DestroyWindow();
  }

  void Command(UINT id) {
    frame->SendMessage(WM_COMMAND, id);
    PumpMessages();
  }
  bool MenuItemGreyed(UINT id) {
    HMENU file = ::GetSubMenu(::GetMenu(*frame), 0);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    return (::GetMenuState(file, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
  }
  // The previous contents are there and no picture was added.
  void ExpectClipboardUnchanged() {
    EXPECT_EQ(ClipboardText().value_or("(none)"), "kept");
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_BITMAP));
  }

  CMainFrame* frame = nullptr;
};

TEST_F(Copy, GreyedWithSaveUntilTheFirstRender) {
  EXPECT_TRUE(MenuItemGreyed(ID_FILE_COPY));
  EXPECT_TRUE(MenuItemGreyed(ID_FILE_SAVE_BMP));
  Command(ID_FILE_COPY);
  ExpectClipboardUnchanged();

  Command(ID_VIEW_RESTART);
  EXPECT_FALSE(MenuItemGreyed(ID_FILE_COPY));
  EXPECT_FALSE(MenuItemGreyed(ID_FILE_SAVE_BMP));
}

TEST_F(Copy, PutsTheClientAreaWithItsPhysicalSize) {
  Command(ID_VIEW_RESTART);
  Command(ID_FILE_COPY);

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
  const Pixels copied = BitmapPixels(picture, shape.bmWidth, shape.bmHeight);
  ::CloseClipboard();

  const Pixels image = DeviceContextPixels(view.ImageDC(), client.Width(), client.Height());
  ASSERT_NE(image.front(), image[image.size() / 2 + 200]) << "the view shows a rendered image";
  EXPECT_TRUE(copied == image);
}

TEST_F(Copy, WhileAnotherThreadHoldsTheClipboardChangesNothing) {
  Command(ID_VIEW_RESTART);
  HANDLE held = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    if (::OpenClipboard(nullptr)) {
      ::SetEvent(held);
      ::WaitForSingleObject(release, 10000);
      ::CloseClipboard();
    }
    ::SetEvent(held);
  });
  ::WaitForSingleObject(held, 10000);
  if (::OpenClipboard(*frame)) {
    ::CloseClipboard();
    ADD_FAILURE() << "the other thread should hold the clipboard";
  }

  Command(ID_FILE_COPY);
  ::SetEvent(release);
  holder.join();
  ::CloseHandle(held);
  ::CloseHandle(release);
  ExpectClipboardUnchanged();
}

HBITMAP WINAPI NoBitmap(HDC, int, int) { return nullptr; }
HDC WINAPI NoDeviceContext(HDC) { return nullptr; }

TEST_F(Copy, ThatCannotMakeItsPictureLeavesTheClipboardAsItWas) {
  Command(ID_VIEW_RESTART);
  {
    ScopedImportPatch failing("gdi32.dll", "CreateCompatibleBitmap", reinterpret_cast<const void*>(&NoBitmap));
    ASSERT_TRUE(failing.Active());
    Command(ID_FILE_COPY);
  }
  ExpectClipboardUnchanged();
  {
    ScopedImportPatch failing("gdi32.dll", "CreateCompatibleDC", reinterpret_cast<const void*>(&NoDeviceContext));
    ASSERT_TRUE(failing.Active());
    Command(ID_FILE_COPY);
  }
  ExpectClipboardUnchanged();
}

}  // namespace

// Save as BMP, Save Spot and Load Spot: the files, and the commands through
// their real dialogs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"
#include "files/BitmapCapture.h"
#include "files/Bmp.h"
#include "files/SpotRecord.h"
#include "framework/File.h"
#include "framework/Gdi.h"
#include "view/Renderer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Pixels = std::vector<std::uint32_t>;

constexpr char kInvalidSpot[] = "The file does not appear to be a valid Spot file.";

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

Pixels KernelImage(const ViewParameters& view) {
  Pixels pixels(static_cast<std::size_t>(view.edge) * static_cast<std::size_t>(view.edge));
  RenderScalar(view, pixels.data());
  return pixels;
}

// Top-down 0x00RRGGBB pixels of a bitmap selected into a device context.
Pixels DcImage(HDC dc, int edge) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, edge, -edge, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  Pixels pixels(static_cast<std::size_t>(edge) * static_cast<std::size_t>(edge));
  auto bitmap = static_cast<HBITMAP>(::GetCurrentObject(dc, OBJ_BITMAP));
  ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(edge), pixels.data(), &info, DIB_RGB_COLORS);
  for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

// Top-down 0x00RRGGBB pixels of a 24- or 32-bit BMP file.
Pixels FilePixels(const Bytes& file) {
  const InfoHeader h = ReadInfoHeader(file.data() + kFileHeaderSize);
  const std::uint32_t offset = file[10] | file[11] << 8 | file[12] << 16 | file[13] << 24;
  const std::uint32_t stride = Stride(h.width, h.bitCount);
  const int bytesPerPixel = h.bitCount / 8;
  Pixels pixels;
  for (int i = 0; i < h.height; ++i) {
    const std::uint8_t* row = file.data() + offset + static_cast<std::size_t>(h.height - 1 - i) * stride;
    for (int j = 0; j < h.width; ++j) {
      const std::uint8_t* p = row + j * bytesPerPixel;
      pixels.push_back(p[0] | p[1] << 8 | p[2] << 16);
    }
  }
  return pixels;
}

// The kernel's image in a memory device context compatible with the screen,
// as the view holds it.
class ScreenImage {
 public:
  explicit ScreenImage(const ViewParameters& view) : m_pixels(KernelImage(view)) {
    CClientDC screen(nullptr);
    m_dc.CreateCompatibleDC(screen);
    m_bitmap.CreateCompatibleBitmap(screen, view.edge, view.edge);
    ::SelectObject(m_dc, m_bitmap);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, view.edge, -view.edge, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    ::SetDIBitsToDevice(m_dc, 0, 0, static_cast<DWORD>(view.edge), static_cast<DWORD>(view.edge), 0, 0, 0,
                        static_cast<UINT>(view.edge), m_pixels.data(), &info, DIB_RGB_COLORS);
  }
  HDC Dc() const { return m_dc; }
  const Pixels& Kernel() const { return m_pixels; }

 private:
  Pixels m_pixels;
  CBitmap m_bitmap;
  CDC m_dc;
};

// Each test gets an empty folder of its own.
class FilesTest : public testing::Test {
 protected:
  void SetUp() override {
    m_folder = fs::temp_directory_path() /
               ("fractavo-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
  }
  void TearDown() override {
    // The file dialogs make the folder they used the current one.
    fs::current_path(m_folder.parent_path());
    fs::remove_all(m_folder);
  }
  std::string Path(const char* name) const { return (m_folder / name).string(); }

  fs::path m_folder;
};

using BmpFileTest = FilesTest;

TEST_F(BmpFileTest, SizesHeadersAndPixelsAtTheScreenDepthAndForcedTo24Bits) {
  CClientDC screen(nullptr);
  const int depth = ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES);
  ASSERT_EQ(depth, 32) << "the sizes below are for a 32-bit display";
  struct Case {
    int edge;
    bool force24Bit;
    std::uint16_t bitCount;
    std::uint32_t stride;
    std::size_t fileSize;
  };
  for (const Case c : {Case{400, true, 24, 1200, 480054}, Case{401, true, 24, 1204, 482858},
                       Case{400, false, 32, 1600, 640054}}) {
    SCOPED_TRACE(testing::Message() << c.edge << (c.force24Bit ? " forced" : " screen depth"));
    ViewParameters view;
    view.SetEdge(c.edge);
    view.ComputeGradient();
    const ScreenImage image(view);
    const std::string path = Path("image.bmp");
    WriteBytes(path, Bytes(700000, 0xAA));  // replaced completely, not overwritten in place

    ASSERT_TRUE(SaveBmp(image.Dc(), CPoint(0, 0), CSize(c.edge, c.edge), path.c_str(), c.force24Bit));
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), c.fileSize);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[2] | file[3] << 8 | file[4] << 16 | file[5] << 24, static_cast<int>(c.fileSize));
    EXPECT_EQ(file[10] | file[11] << 8, 54);
    const InfoHeader h = ReadInfoHeader(file.data() + kFileHeaderSize);
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, c.edge);
    EXPECT_EQ(h.height, c.edge);
    EXPECT_EQ(h.bitCount, c.bitCount);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(h.sizeImage, c.stride * static_cast<std::uint32_t>(c.edge));
    EXPECT_EQ(Stride(h.width, h.bitCount), c.stride);
    EXPECT_EQ(FilePixels(file), image.Kernel());
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::string>{"image.bmp"});
  }
}

TEST_F(BmpFileTest, SavesTheRectangleAtTheOrigin) {
  ViewParameters view;
  view.ComputeGradient();
  const ScreenImage image(view);
  const std::string path = Path("part.bmp");
  ASSERT_TRUE(SaveBmp(image.Dc(), CPoint(30, 50), CSize(120, 70), path.c_str(), true));
  Pixels expected;
  for (int i = 50; i < 120; ++i)
    for (int j = 30; j < 150; ++j) expected.push_back(image.Kernel()[static_cast<std::size_t>(i * view.edge + j)]);
  EXPECT_EQ(FilePixels(ReadBytes(path)), expected);
}

TEST_F(BmpFileTest, WriterRefusesAHeaderOfAnotherSize) {
  InfoHeader header;
  header.size = 12;
  header.width = header.height = 4;
  header.bitCount = 24;
  Bytes block(kInfoHeaderSize + 64);
  StoreInfoHeader(header, block.data());
  EXPECT_FALSE(WritePackedDib(Path("refused.bmp").c_str(), block.data()));
  EXPECT_TRUE(FilesIn(m_folder).empty());
}

TEST_F(BmpFileTest, AFileHeldOpenElsewhereStaysUnchangedAndTheSaveFails) {
  const std::string path = Path("held.bmp");
  const Bytes old = {'o', 'l', 'd'};
  WriteBytes(path, old);
  HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ViewParameters view;
  const ScreenImage image(view);
  EXPECT_FALSE(SaveBmp(image.Dc(), CPoint(0, 0), CSize(view.edge, view.edge), path.c_str(), true));
  ::CloseHandle(held);
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(FilesIn(m_folder), std::vector<std::string>{"held.bmp"});
}

TEST_F(BmpFileTest, SafeFileLeavesNothingBehindWhenTheFolderIsMissing) {
  const std::string path = Path("no-such-folder\\x.spt");
  try {
    CSafeFile file(path);
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_strFileName, path);
    EXPECT_NE(e.GetErrorMessage().find(path), std::string::npos);
  }
  EXPECT_TRUE(FilesIn(m_folder).empty());
}

// Runs the steps one after another inside whatever modal loop is running;
// each starts after the one before has returned.
void RunInTurn(std::vector<std::function<void()>> steps) {
  if (steps.empty()) return;
  RunSoon([steps]() mutable {
    std::function<void()> first = std::move(steps.front());
    steps.erase(steps.begin());
    first();
    RunInTurn(std::move(steps));
  });
}

// Waits for a visible dialog-class window that passes the test.
HWND WaitForDialog(const std::function<bool(HWND)>& wanted) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < 5000) {
    for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, "#32770", nullptr)) != nullptr;)
      if (::IsWindowVisible(w) && wanted(w)) return w;
    PumpMessages();
    ::Sleep(10);
  }
  return nullptr;
}

HWND WaitForDialog(const char* caption) {
  return WaitForDialog([caption](HWND w) {
    char text[64] = "";
    ::GetWindowTextA(w, text, sizeof text);
    return std::strcmp(text, caption) == 0;
  });
}

HWND fileDialog = nullptr;

// Types name into the file dialog of this caption and presses its OK button.
std::function<void()> AnswerFileDialog(const char* caption, std::string name) {
  return [caption, name] {
    fileDialog = WaitForDialog(caption);
    ASSERT_NE(fileDialog, nullptr) << caption;
    ::SetDlgItemTextA(fileDialog, 0x47c, name.c_str());
    ::PostMessageA(fileDialog, WM_COMMAND, IDOK, 0);
  };
}

// Says yes to the file dialog's question whether to replace the file.
std::function<void()> ConfirmReplace() {
  return [] {
    HWND question = WaitForDialog([](HWND w) { return ::GetWindow(w, GW_OWNER) == fileDialog; });
    ASSERT_NE(question, nullptr) << "no question before replacing";
    ::PostMessageA(question, WM_COMMAND, IDYES, 0);
  };
}

// Closes the program's next message box with OK, keeping its text.
std::function<void()> CloseMessageBox(std::string* text) {
  return [text] {
    HWND box = WaitForDialog("Fractavo");
    ASSERT_NE(box, nullptr) << "no message box";
    char buffer[512] = "";
    ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
    *text = buffer;
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  };
}

// The program's main frame, shown, with the default settings.
class CommandTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    ClearSettings();
    m_frame = CreateMainFrame();
    ASSERT_NE(m_frame, nullptr);
    m_frame->ShowWindow(SW_SHOW);
    PumpMessages();
  }
  void TearDown() override {
    if (m_frame) m_frame->DestroyWindow();
    FilesTest::TearDown();
  }
  CFractalView& View() { return m_frame->View(); }
  ViewParameters& Params() { return View().Parameters(); }
  void Command(UINT id) { ::SendMessageA(m_frame->m_hWnd, WM_COMMAND, id, 0); }
  Pixels Image() { return DcImage(View().ImageDC(), Params().edge); }

  CMainFrame* m_frame = nullptr;
};

TEST_F(CommandTest, SaveWritesTheImageUnderTheNameTypedWithTheExtensionAdded) {
  View().Render();
  RunInTurn({AnswerFileDialog("Save As", Path("typed"))});
  Command(ID_FILE_SAVE_BMP);
  const Bytes file = ReadBytes(Path("typed.bmp"));
  ASSERT_EQ(file.size(), 480054u);
  EXPECT_EQ(FilePixels(file), KernelImage(Params()));
}

TEST_F(CommandTest, ASaveThatFailsTellsTheUserAndKeepsTheFile) {
  View().Render();
  const std::string path = Path("held.bmp");
  const Bytes old = {'o', 'l', 'd'};
  WriteBytes(path, old);
  HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string message;
  RunInTurn({AnswerFileDialog("Save As", path), ConfirmReplace(), CloseMessageBox(&message)});
  Command(ID_FILE_SAVE_BMP);
  ::CloseHandle(held);
  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(FilesIn(m_folder), std::vector<std::string>{"held.bmp"});
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST_F(CommandTest, ASpotSavedAndLoadedRestoresTheViewBitForBit) {
  ViewParameters& p = Params();
  p.halfWidth = std::nextafter(3.0e-5, 1.0);
  p.centreX = -0.7436438870371587;
  p.centreY = std::nextafter(0.1318259043091895, 0.0);
  p.inColour = 0x123456;
  p.outColour = 0xFEDCBA;
  p.maxIterations = 321;
  p.ComputeGradient();
  View().Render();
  const ViewParameters saved = p;
  const Pixels image = Image();

  RunInTurn({AnswerFileDialog("Save As", Path("view"))});
  Command(ID_FILE_SAVE_SPOT);
  ASSERT_EQ(ReadBytes(Path("view.spt")).size(), kSpotRecordSize);

  p.Reset();
  p.inColour = p.outColour = 0;
  p.maxIterations = 20;
  p.ComputeGradient();
  View().Render();
  RunInTurn({AnswerFileDialog("Open", Path("view.spt"))});
  Command(ID_FILE_LOAD_SPOT);

  EXPECT_TRUE(SameBits(p.halfWidth, saved.halfWidth));
  EXPECT_TRUE(SameBits(p.centreX, saved.centreX));
  EXPECT_TRUE(SameBits(p.centreY, saved.centreY));
  EXPECT_EQ(p.inColour, saved.inColour);
  EXPECT_EQ(p.outColour, saved.outColour);
  EXPECT_EQ(p.maxIterations, saved.maxIterations);
  EXPECT_TRUE(SameBits(p.stepRed, saved.stepRed));
  EXPECT_EQ(Image(), image);
  // Loading is not choosing: the stored settings stay as they were.
  EXPECT_FALSE(StoredSetting("In Color"));
  EXPECT_FALSE(StoredSetting("Out Color"));
  EXPECT_FALSE(StoredSetting("Max Iterations"));
}

Bytes SpotBytes() {
  SpotRecord spot;
  spot.halfWidth = 0.5;
  spot.centreX = -0.5;
  spot.centreY = 0.25;
  spot.inColour = 0x0000FF;
  spot.outColour = 0xFFFFFF;
  spot.maxIterations = 100;
  const auto bytes = EncodeSpot(spot);
  return Bytes(bytes.begin(), bytes.end());
}

TEST_F(CommandTest, ShortOrInvalidSpotFilesAreRefusedAndChangeNothing) {
  const Bytes good = SpotBytes();
  Bytes nan = good;
  const double notANumber = std::nan("");
  std::memcpy(nan.data(), &notANumber, sizeof notANumber);
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {{"short.spt", Bytes(good.begin(), good.end() - 1)},
               {"empty.spt", {}},
               {"nan.spt", nan}};
  const ViewParameters before = Params();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(Path(c.name), c.bytes);
    std::string message;
    RunInTurn({AnswerFileDialog("Open", Path(c.name)), CloseMessageBox(&message)});
    Command(ID_FILE_LOAD_SPOT);
    EXPECT_EQ(message, kInvalidSpot);
    EXPECT_TRUE(Params().notRendered);
    EXPECT_TRUE(SameBits(Params().halfWidth, before.halfWidth));
    EXPECT_EQ(Params().maxIterations, before.maxIterations);
    EXPECT_EQ(Params().inColour, before.inColour);
    EXPECT_EQ(Image(), Pixels(160000, 0));
  }
}

TEST_F(CommandTest, ALongerSpotFileLoadsAndRendersBeforeAnyClick) {
  Bytes bytes = SpotBytes();
  bytes.push_back(0x7F);
  WriteBytes(Path("long.spt"), bytes);
  RunInTurn({AnswerFileDialog("Open", Path("long.spt"))});
  Command(ID_FILE_LOAD_SPOT);
  EXPECT_FALSE(Params().notRendered);
  EXPECT_EQ(Params().halfWidth, 0.5);
  EXPECT_EQ(Params().maxIterations, 100);
  EXPECT_EQ(Image(), KernelImage(Params()));
}

TEST_F(CommandTest, FileErrorsAreShownAndChangeNothing) {
  std::string message;
  RunInTurn({AnswerFileDialog("Open", Path("missing.spt")), CloseMessageBox(&message)});
  Command(ID_FILE_LOAD_SPOT);
  EXPECT_EQ(message, Path("missing.spt") + " was not found.");
  EXPECT_TRUE(Params().notRendered);

  View().Render();
  const std::string path = Path("held.spt");
  const Bytes old = SpotBytes();
  WriteBytes(path, old);
  HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  message.clear();
  RunInTurn({AnswerFileDialog("Save As", path), ConfirmReplace(), CloseMessageBox(&message)});
  Command(ID_FILE_SAVE_SPOT);
  ::CloseHandle(held);
  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(FilesIn(m_folder), std::vector<std::string>{"held.spt"});
}

}  // namespace

// Save as BMP, Save Spot and Load Spot: the files, and the commands through
// their real dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "GuiTest.h"
#include "app/MainFrame.h"
#include "app/resource.h"
#include "files/BitmapCapture.h"
#include "files/Bmp.h"
#include "files/SafeFile.h"
#include "files/SpotRecord.h"
#include "framework/Gdi.h"
#include "view/Renderer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Pixels = std::vector<std::uint32_t>;

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The kernel's image of the view, cut to the rectangle.
Pixels KernelImage(const ViewParameters& view, const CRect& part) {
  Pixels all(static_cast<std::size_t>(view.edge) * static_cast<std::size_t>(view.edge));
  RenderScalar(view, all.data());
  Pixels pixels;
  for (int i = part.top; i < part.bottom; ++i)
    pixels.insert(pixels.end(), all.begin() + i * view.edge + part.left, all.begin() + i * view.edge + part.right);
  return pixels;
}

// The pixels of a BMP file as the system reads it.
Pixels FilePixels(const std::string& path) {
  auto bitmap = static_cast<HBITMAP>(
      ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  const Pixels pixels = BitmapPixels(bitmap);
  ::DeleteObject(bitmap);
  return pixels;
}

Bytes Encoded(const SpotRecord& spot) {
  const auto bytes = EncodeSpot(spot);
  return Bytes(bytes.begin(), bytes.end());
}

const SpotRecord kSpot{0.5, -0.5, 0.25, 0x0000FF, 0xFFFFFF, 100};

// Runs the steps one after another inside whatever modal loop is running;
// each starts after the one before has returned.
void RunInTurn(std::vector<std::function<void()>> steps) {
  if (steps.empty()) return;
  RunSoon([steps] {
    steps.front()();
    RunInTurn(std::vector<std::function<void()>>(steps.begin() + 1, steps.end()));
  });
}

HWND fileDialog = nullptr;

// Types name into the file dialog of this caption and presses its OK button.
std::function<void()> AnswerFileDialog(const char* caption, std::string name) {
  return [caption, name] {
    fileDialog = WaitForWindow("#32770", caption);
    ASSERT_NE(fileDialog, nullptr) << caption;
    ::SetDlgItemTextA(fileDialog, 0x47c, name.c_str());
    ::PostMessageA(fileDialog, WM_COMMAND, IDOK, 0);
  };
}

// Says yes to the file dialog's question whether to replace the file.
std::function<void()> ConfirmReplace() {
  return [] {
    HWND question = nullptr;
    for (const DWORD start = ::GetTickCount(); !question && ::GetTickCount() - start < 5000; ::Sleep(10)) {
      PumpMessages();
      for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, "#32770", nullptr)) != nullptr;)
        if (::IsWindowVisible(w) && ::GetWindow(w, GW_OWNER) == fileDialog) question = w;
    }
    ASSERT_NE(question, nullptr) << "no question before replacing";
    ::PostMessageA(question, WM_COMMAND, IDYES, 0);
  };
}

// Closes the program's next message box with OK, keeping its text.
std::function<void()> CloseMessageBox(std::string* text) {
  return [text] {
    HWND box = WaitForWindow("#32770", "Fractavo");
    ASSERT_NE(box, nullptr) << "no message box";
    char buffer[512] = "";
    ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
    *text = buffer;
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  };
}

// The program's main frame, shown, with the default settings; and an empty
// folder of the test's own.
class SaveTest : public testing::Test {
 protected:
  void SetUp() override {
    m_folder = fs::temp_directory_path() /
               ("fractavo-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    ClearSettings();
    m_frame = CreateMainFrame();
    ASSERT_NE(m_frame, nullptr);
    m_frame->ShowWindow(SW_SHOW);
    PumpMessages();
  }
  void TearDown() override {
    if (m_frame) m_frame->DestroyWindow();
    // The file dialogs make the folder they used the current one.
    fs::current_path(m_folder.parent_path());
    fs::remove_all(m_folder);
  }
  std::string Path(const char* name) const { return (m_folder / name).string(); }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  CFractalView& View() { return m_frame->View(); }
  ViewParameters& Params() { return View().Parameters(); }
  void Command(UINT id) { ::SendMessageA(m_frame->m_hWnd, WM_COMMAND, id, 0); }
  Pixels Image() { return BitmapPixels(static_cast<HBITMAP>(::GetCurrentObject(View().ImageDC(), OBJ_BITMAP))); }

  fs::path m_folder;
  CMainFrame* m_frame = nullptr;
};

TEST_F(SaveTest, BmpSizesHeadersAndPixelsAtTheScreenDepthAndForcedTo24Bits) {
  CClientDC screen(nullptr);
  ASSERT_EQ(::GetDeviceCaps(screen.get(), BITSPIXEL) * ::GetDeviceCaps(screen.get(), PLANES), 32)
      << "the sizes below are for a 32-bit display";
  struct Case {
    int edge;
    CRect part;
    bool force24Bit;
    std::uint16_t bitCount;
    std::uint32_t stride;
    std::size_t fileSize;
  };
  for (const Case& c :
       {Case{400, {0, 0, 400, 400}, true, 24, 1200, 480054}, Case{401, {0, 0, 401, 401}, true, 24, 1204, 482858},
        Case{400, {0, 0, 400, 400}, false, 32, 1600, 640054}, Case{400, {30, 50, 150, 120}, true, 24, 360, 25254}}) {
    SCOPED_TRACE(c.fileSize);
    Params().SetEdge(c.edge);
    View().RecreateImage();
    View().Render();
    const std::string path = Path("image.bmp");
    WriteBytes(path, Bytes(700000, 0xAA));  // replaced completely, not overwritten in place

    ASSERT_TRUE(SaveBmp(View().ImageDC(), c.part.TopLeft(), CSize(c.part.Width(), c.part.Height()), path.c_str(),
                        c.force24Bit));
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), c.fileSize);
    EXPECT_EQ(file[10] | file[11] << 8, 54);
    const InfoHeader h = ReadInfoHeader(file.data() + kFileHeaderSize);
    EXPECT_EQ(std::tie(h.size, h.width, h.height, h.bitCount, h.sizeImage),
              std::make_tuple(40u, c.part.Width(), c.part.Height(), c.bitCount,
                              c.stride * static_cast<std::uint32_t>(c.part.Height())));
    EXPECT_EQ(FilePixels(path), KernelImage(Params(), c.part));
    EXPECT_EQ(Files(), std::vector<std::string>{"image.bmp"});
  }
}

// A disk that takes only half of each write.
BOOL WINAPI HalfWrite(HANDLE, LPCVOID, DWORD count, LPDWORD done, LPOVERLAPPED) {
  *done = count / 2;
  return TRUE;
}

TEST_F(SaveTest, WritersThatFailLeaveAnyOldFileAsItWas) {
  const Bytes old = {'o', 'l', 'd'};
  const std::string path = Path("old.bmp");
  WriteBytes(path, old);
  const std::uint32_t pixel = 0x123456;
  Bytes block = PackedDib24(&pixel, 1, 1);
  {
    ScopedImportPatch failing("kernel32.dll", "WriteFile", reinterpret_cast<const void*>(&HalfWrite));
    ASSERT_TRUE(failing.Active());
    EXPECT_FALSE(WritePackedDib(path.c_str(), block.data()));
  }
  block[0] = 12;  // a header of another size
  EXPECT_FALSE(WritePackedDib(path.c_str(), block.data()));
  EXPECT_EQ(ReadBytes(path), old);

  const std::string lost = Path("no-such-folder\\x.spt");
  try {
    SafeFile file(lost);
    ADD_FAILURE() << "no exception";
  } catch (const FileError& e) {
    EXPECT_EQ(e.Path(), lost);  // the target, not the temporary file
  }
  EXPECT_EQ(Files(), std::vector<std::string>{"old.bmp"});
}

TEST_F(SaveTest, ASaveOverAFileHeldOpenTellsTheUserAndKeepsTheFile) {
  View().Render();
  for (const auto& [command, name] : {std::pair<UINT, const char*>{ID_FILE_SAVE_BMP, "held.bmp"},
                                      std::pair<UINT, const char*>{ID_FILE_SAVE_SPOT, "held.spt"}}) {
    SCOPED_TRACE(name);
    const std::string path = Path(name);
    const Bytes old = {'o', 'l', 'd'};
    WriteBytes(path, old);
    HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string message;
    RunInTurn({AnswerFileDialog("Save As", path), ConfirmReplace(), CloseMessageBox(&message)});
    Command(command);
    ::CloseHandle(held);
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_EQ(ReadBytes(path), old);
  }
  EXPECT_EQ(Files(), (std::vector<std::string>{"held.bmp", "held.spt"}));
}

TEST_F(SaveTest, SpotFilesRestoreTheViewBitForBit) {
  auto load = [this](const char* name) {
    RunInTurn({AnswerFileDialog("Open", Path(name))});
    Command(ID_FILE_LOAD_SPOT);
  };
  // A file longer than the record loads too, and renders though nothing was rendered yet.
  Bytes longer = Encoded(kSpot);
  longer.push_back(0x7F);
  WriteBytes(Path("long.spt"), longer);
  load("long.spt");
  EXPECT_FALSE(Params().notRendered);
  EXPECT_EQ(Encoded(MakeSpot(Params())), Encoded(kSpot));
  EXPECT_EQ(Image(), KernelImage(Params(), CRect(0, 0, 400, 400)));

  ViewParameters& p = Params();
  p.halfWidth = std::nextafter(3.0e-5, 1.0);
  p.centreX = -0.7436438870371587;
  p.centreY = std::nextafter(0.1318259043091895, 0.0);
  p.inColour = 0x123456;
  p.outColour = 0xFEDCBA;
  p.maxIterations = 321;
  p.ComputeGradient();
  View().Render();
  const Bytes saved = Encoded(MakeSpot(p));
  const Pixels image = Image();
  RunInTurn({AnswerFileDialog("Save As", Path("view"))});
  Command(ID_FILE_SAVE_SPOT);
  ASSERT_EQ(ReadBytes(Path("view.spt")), saved);

  load("long.spt");
  ASSERT_EQ(Encoded(MakeSpot(p)), Encoded(kSpot));
  load("view.spt");
  EXPECT_EQ(Encoded(MakeSpot(p)), saved);
  EXPECT_EQ(Image(), image);
  // Loading is not choosing: the stored settings stay as they were.
  for (const char* name : {"In Color", "Out Color", "Max Iterations"}) EXPECT_FALSE(StoredSetting(name)) << name;
}

TEST_F(SaveTest, RefusedSpotFilesShowTheMessageAndChangeNothing) {
  const Bytes good = Encoded(kSpot);
  const std::string invalid = "The file does not appear to be a valid Spot file.";
  const struct {
    const char* name;
    std::optional<Bytes> bytes;
    std::string message;
  } cases[] = {{"short.spt", Bytes(good.begin(), good.end() - 1), invalid},
               {"empty.spt", Bytes(), invalid},
               {"nan.spt", Encoded({std::nan(""), 0, 0, 0, 0, 100}), invalid},
               {"missing.spt", std::nullopt, Path("missing.spt") + " was not found."}};
  const Bytes before = Encoded(MakeSpot(Params()));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.bytes) WriteBytes(Path(c.name), *c.bytes);
    std::string message;
    RunInTurn({AnswerFileDialog("Open", Path(c.name)), CloseMessageBox(&message)});
    Command(ID_FILE_LOAD_SPOT);
    EXPECT_EQ(message, c.message);
    EXPECT_TRUE(Params().notRendered);
    EXPECT_EQ(Encoded(MakeSpot(Params())), before);
    EXPECT_EQ(Image(), Pixels(160000, 0));
  }
}

}  // namespace

// Save (the image as a BMP file), Save Spot and Load Spot.
#include <array>
#include <string>

#include "files/BitmapCapture.h"
#include "files/SafeFile.h"
#include "files/SpotRecord.h"
#include "framework/App.h"
#include "framework/CommonDialogs.h"
#include "framework/File.h"
#include "view/FractalView.h"

namespace {
constexpr char kSpotExtension[] = ".spt";
constexpr char kSpotFilter[] = "Spots (*.spt)|*.spt|All Files (*.*)|*.*||";
}  // namespace

void CFractalView::OnSave() {
  CFileDialog dialog(false, ".bmp", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     "Bitmap files (*.bmp)|*.bmp|All Files (*.*)|*.*||", this);
  if (dialog.DoModal() != IDOK) return;
  const std::string path = dialog.GetPathName();
  const int edge = m_params.edge;
  if (!SaveBmp(ImageDC(), CPoint(0, 0), CSize(edge, edge), path.c_str(), m_params.force24Bit != 0))
    AfxMessageBox(m_hWnd, ("The image could not be saved to " + path + ".").c_str(), MB_ICONHAND | MB_OK);
}

void CFractalView::OnSaveSpot() {
  CFileDialog dialog(false, kSpotExtension, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kSpotFilter, this);
  if (dialog.DoModal() != IDOK) return;
  const auto bytes = EncodeSpot(MakeSpot(m_params));
  // A failed save leaves any earlier file as it was.
  try {
    SafeFile file(dialog.GetPathName());
    file.Write(bytes.data(), bytes.size());
    file.Commit();
  } catch (const FileError& e) {
    CFileException::ThrowOsError(e.OsError(), e.Path());
  }
}

void CFractalView::OnLoadSpot() {
  CFileDialog dialog(true, kSpotExtension, nullptr, OFN_HIDEREADONLY, kSpotFilter, this);
  if (dialog.DoModal() != IDOK) return;
  std::array<std::uint8_t, kSpotRecordSize> bytes{};
  UINT read = 0;
  {
    CFile file(dialog.GetPathName(), CFile::modeRead | CFile::shareDenyWrite);
    read = file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    file.Close();
  }
  if (!LoadSpot(bytes.data(), read, m_params)) {
    AfxMessageBox(m_hWnd, "The file does not appear to be a valid Spot file.", MB_ICONHAND | MB_OK);
    return;
  }
  Render();
}

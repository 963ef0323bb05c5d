// Opens the generated form of every entity of a model and saves a picture of each as a
// BMP file: form_screenshots [model file] [output folder]. A paged form is shown with its
// first page inside the tab control; a record list box of a customer's orders follows.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "data/db/reclist.h"
#include "forms/basedlg.h"
#include "forms/colortable.h"
#include "forms/controlids.h"
#include "forms/dlgtemplate.h"
#include "forms/reclistbox.h"
#include "forms/tabpages.h"
#include "forms/edittemplates.h"
#include "forms/windowmanager.h"
#include "support/form_support.h"

namespace {

bool SaveBitmap(HDC source, int width, int height, const std::string& path) {
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
  HDC dc = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  GetDIBits(dc, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(dc);
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  BITMAPFILEHEADER header = {};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
  fwrite(&header, sizeof header, 1, file);
  fwrite(&info, sizeof info, 1, file);
  fwrite(pixels.data(), pixels.size(), 1, file);
  fclose(file);
  return true;
}

// The page procedure of the pictures: pages colour their controls as the forms do.
INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_CTLCOLORSTATIC)
    return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  return FALSE;
}

// The picture of a window as it is on the screen.
bool SaveWindowShot(HWND window, const std::string& path) {
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  PumpMessages(300);
  RECT r;
  GetWindowRect(window, &r);
  HDC screen = GetDC(nullptr);
  HDC windowDc = CreateCompatibleDC(screen);
  HBITMAP shot = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
  HGDIOBJ old = SelectObject(windowDc, shot);
  BitBlt(windowDc, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
  const bool saved = SaveBitmap(windowDc, r.right - r.left, r.bottom - r.top, path);
  if (saved) printf("%s\n", path.c_str());
  SelectObject(windowDc, old);
  DeleteObject(shot);
  DeleteDC(windowDc);
  ReleaseDC(nullptr, screen);
  return saved;
}

// A dialog showing one record list box; the list's notifications go to the box.
INT_PTR CALLBACK ListDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (TRecListBox* box = TRecListBoxRegistry::Find(header->hwndFrom)) return box->HandleNotify(header);
  }
  TBaseDlg* dialog;
  bool handled;
  return DispatchBaseDlgMessage(&dialog, window, message, wParam, lParam, &handled);
}

// A list box of the orders of a customer, with rows made in memory (no database).
bool SaveOrderListShot(const std::string& folder) {
  TRelationship* orders = TheModel.FindEntity("CUSTOMER")
                              ? TheModel.FindEntity("CUSTOMER")->FindRelationship("ORDERS")
                              : nullptr;
  if (!orders) return false;
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 10, 10, "", "",
                    "Orders of customer 1", 8, "MS Sans Serif");
  AddDlgTemplateItem(block, &size, "SysListView32", "", ChildListId(0), 4, 4, 232, 90, 0x0083100D);
  SetDlgTemplateXYWH(block, 0, 0, 240, 98);
  auto* dialog = new TBaseDlg;
  dialog->DialogProc = ListDlgProc;
  HWND window = AppWindowManager.CreateModelessIndirect(dialog, block, nullptr, 0);
  GlobalFree(block);
  if (!window) return false;
  auto* list = new TDBRecList(orders->WithEntity->Name);
  const char* rows[][4] = {{"1001", "2024-03-05", "N", "120.50"},
                           {"1002", "2024-03-18", "C", "75.00"},
                           {"1003", "2024-04-02", "S", "310.25"},
                           {"1004", "2024-04-30", "X", "0.00"}};
  for (auto& row : rows) {
    TDBRecord* record = NewDBRecord(orders->WithEntity->Name);
    record->SetValue("ORDER_ID", row[0]);
    record->SetValue("ORDER_DATE", row[1]);
    record->SetValue("STATUS", row[2]);
    record->SetValue("ORDER_TOTAL", row[3]);
    list->AddRecord(-1, record);
  }
  auto* box = new TViewRecListBox(GetDlgItem(window, ChildListId(0)), orders, nullptr, list);
  box->SetSelectionMark(1);
  const bool saved = SaveWindowShot(window, folder + "/list_" + orders->WithEntity->Name + ".bmp");
  ReleaseRecListBox(box);
  DestroyWindow(window);
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string model = argc > 1 ? argv[1] : VORN_SOURCE_DIR "/sample/vorn.dmd";
  const std::string folder = argc > 2 ? argv[2] : VORN_BINARY_DIR "/screenshots";
  CreateDirectoryA(folder.c_str(), nullptr);
  StartFormSession();
  if (!LoadModelFile(TheModel, model.c_str())) {
    fprintf(stderr, "cannot load %s\n", model.c_str());
    return 1;
  }
  ApplyModelParameters();
  BuildEditFormTemplates();
  int saved = 0;
  for (int e = 0; e < TheModel.EntityCount; ++e) {
    const TEntity& entity = TheModel.Entities[e];
    std::string name = "Edit_" + std::string(entity.Name);
    HGLOBAL block = FindEditFormTemplate(name.c_str());
    if (!block) continue;
    HWND form = AppWindowManager.CreateModelessIndirect(new TBaseDlg, block, nullptr, 0);
    if (!form) continue;
    // A paged form shows its first page inside the tab control, as the forms do.
    TTabPages pages;
    if (entity.PageCount > 0 && pages.Install(form, &entity, PageProc, nullptr)) {
      SendMessageA(pages.TabControl(), TCM_SETCURSEL, 0, 0);
      TTabPages::OnTabChange(nullptr, form, false);
    }
    if (SaveWindowShot(form, folder + "/" + entity.Name + ".bmp")) ++saved;
    DestroyWindow(form);
  }
  if (SaveOrderListShot(folder)) ++saved;
  return saved > 0 ? 0 : 1;
}

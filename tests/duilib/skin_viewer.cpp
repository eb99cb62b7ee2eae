// Opens one skin in a window of its own, for looking at skins by hand:
//   duilib_skin_viewer <folder holding skin\> <skin file> [width height]
// The window closes with its close button ("closebtn") or Alt+F4.
#include <UIlib.h>

#include <shellapi.h>

#include <stdlib.h>

using namespace DuiLib;

namespace {

class CSkinViewer : public WindowImplBase {
 public:
  explicit CSkinViewer(LPCTSTR file) : m_file(file) {}

 protected:
  LPCTSTR GetWindowClassName() const override { return _T("DuiSkinViewer"); }
  CDuiString GetSkinFolder() override { return _T("skin\\"); }
  CDuiString GetSkinFile() override { return m_file; }
  void OnFinalMessage(HWND hWnd) override {
    WindowImplBase::OnFinalMessage(hWnd);
    ::PostQuitMessage(0);
  }

 private:
  CDuiString m_file;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv || argc < 3) return 2;
  CPaintManagerUI::SetInstance(instance);
  CPaintManagerUI::SetResourcePath(argv[1]);
  if (FAILED(::CoInitialize(NULL))) return 3;
  const int cx = argc > 4 ? _wtoi(argv[3]) : 0, cy = argc > 4 ? _wtoi(argv[4]) : 0;
  CSkinViewer viewer(argv[2]);
  if (!viewer.Create(NULL, _T("Skin viewer"), WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, cx, cy)) {
    ::CoUninitialize();
    return 1;
  }
  viewer.CenterWindow();
  CPaintManagerUI::MessageLoop();
  CPaintManagerUI::Term();
  ::CoUninitialize();
  return 0;
}

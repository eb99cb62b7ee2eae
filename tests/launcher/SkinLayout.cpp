#include "SkinLayout.h"

#include <UIlib.h>

#include "TestSupport.h"

using namespace DuiLib;

class SkinLayout::Window : public WindowImplBase {
 public:
  explicit Window(const std::wstring& skinText) : skinText_(skinText) {}
  CPaintManagerUI& Manager() { return m_PaintManager; }

 protected:
  LPCTSTR GetWindowClassName() const override { return L"LauncherTestSkinLayout"; }
  // The skin is handed over as text (the builder takes text that starts with '<'), so the
  // folder stays empty.
  CDuiString GetSkinFolder() override { return L""; }
  CDuiString GetSkinFile() override { return skinText_.c_str(); }

 private:
  std::wstring skinText_;
};

namespace {

void ReplaceAll(std::wstring* s, const std::wstring& from, const std::wstring& to) {
  for (size_t at = s->find(from); at != std::wstring::npos; at = s->find(from, at + to.size())) {
    s->replace(at, from.size(), to);
  }
}

}  // namespace

SkinLayout::SkinLayout(const std::wstring& skinFile, int width, int height) {
  static const bool initialised = [] {
    CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath((testsupport::RuntimeDir() + L"\\skin\\").c_str());
    return true;
  }();
  (void)initialised;
  std::string bytes;
  if (!testsupport::ReadFileBytes(testsupport::RuntimeDir() + L"\\skin\\" + skinFile, &bytes)) {
    return;
  }
  std::wstring text = testsupport::FromUtf8(bytes);
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  // A browser lays out like any control; a plain control keeps the browser itself out of the
  // test process.
  ReplaceAll(&text, L"<WebBrowser", L"<Control");
  ReplaceAll(&text, L"<ActiveX", L"<Control");
  window_.reset(new Window(text));
  if (!window_->Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, width, height)) {
    window_.reset();
    return;
  }
  window_->Manager().UpdateLayout();
}

SkinLayout::~SkinLayout() {}

bool SkinLayout::Ok() const { return window_ != nullptr; }

SIZE SkinLayout::SkinSize() const {
  return window_ ? window_->Manager().GetInitSize() : SIZE{0, 0};
}

RECT SkinLayout::ControlRect(const wchar_t* name) const {
  RECT none = {0, 0, 0, 0};
  if (!window_) return none;
  CControlUI* control = window_->Manager().FindControl(name);
  if (!control || !control->IsVisible()) return none;
  return control->GetPos();
}

POINT SkinLayout::OnScreen(const wchar_t* name, POINT origin) const {
  const RECT r = ControlRect(name);
  return POINT{origin.x + (r.left + r.right) / 2, origin.y + (r.top + r.bottom) / 2};
}

void SkinLayout::SetVisible(const wchar_t* name, bool visible) {
  if (!window_) return;
  CControlUI* control = window_->Manager().FindControl(name);
  if (!control) return;
  control->SetVisible(visible);
  window_->Manager().UpdateLayout();
}

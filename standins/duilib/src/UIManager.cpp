#include "Internal.h"

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace DuiLib {

namespace {

// ---- Process-wide settings ----------------------------------------------------------------

HINSTANCE g_hInstance = NULL;

CDuiString& ResourcePath() {
  static CDuiString path;
  return path;
}

// The manager of a window hangs on the window itself, so messages find it without a list of
// all managers.
const wchar_t kManagerProp[] = L"DuiLib.Manager";

// ---- Fonts --------------------------------------------------------------------------------

// Faces tried, in this order, when a skin's font is not installed: common Chinese UI fonts
// of Windows and of other systems the programs may run on.
const wchar_t* const kFallbackFaces[] = {
    L"Microsoft YaHei UI",
    L"Microsoft YaHei",
    L"微软雅黑",
    L"PingFang SC",
    L"Noto Sans CJK SC",
    L"Source Han Sans SC",
    L"WenQuanYi Micro Hei",
    L"文泉驿微米黑",
    L"WenQuanYi Zen Hei",
    L"文泉驿正黑",
    L"SimHei",
    L"黑体",
    L"SimSun",
    L"宋体",
    L"NSimSun",
    L"Droid Sans Fallback",
};

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(HDC hdc, const wchar_t* face, BYTE charset) {
  if (!face || !*face || wcslen(face) >= LF_FACESIZE) return false;
  LOGFONTW lf = {};
  lf.lfCharSet = charset;
  wcscpy_s(lf.lfFaceName, LF_FACESIZE, face);
  bool found = false;
  ::EnumFontFamiliesExW(hdc, &lf, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// Faces already resolved on this thread (windows and their fonts live on one thread).
std::map<std::wstring, std::wstring>& FaceCache() {
  thread_local std::map<std::wstring, std::wstring> cache;
  return cache;
}

// The face to use for a requested one: itself when installed, else the first installed
// Chinese fallback, else the system's UI font.
std::wstring ResolveFace(const wchar_t* requested) {
  const std::wstring key = requested ? requested : L"";
  auto it = FaceCache().find(key);
  if (it != FaceCache().end()) return it->second;
  std::wstring face;
  {
    internal::unique_screen_dc screen(::GetDC(NULL));
    if (FaceInstalled(screen.get(), key.c_str(), DEFAULT_CHARSET)) {
      face = key;
    } else {
      for (const wchar_t* candidate : kFallbackFaces) {
        if (FaceInstalled(screen.get(), candidate, GB2312_CHARSET)) {
          face = candidate;
          break;
        }
      }
    }
  }
  if (face.empty()) {
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof(ncm);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
      face = ncm.lfMessageFont.lfFaceName;
    }
  }
  FaceCache()[key] = face;
  return face;
}

HFONT MakeFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) {
  LOGFONTW lf = {};
  lf.lfHeight = -std::max(1, std::min(size > 0 ? size : 12, 500));
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfQuality = CLEARTYPE_QUALITY;
  const std::wstring resolved = ResolveFace(face);
  wcsncpy_s(lf.lfFaceName, LF_FACESIZE, resolved.c_str(), _TRUNCATE);
  return ::CreateFontIndirectW(&lf);
}

typedef quenda::unique_gdi<HFONT> unique_hfont;

// ---- Finding controls ---------------------------------------------------------------------

CControlUI* CALLBACK FindControlFromPoint(CControlUI* pThis, LPVOID pData) {
  return ::PtInRect(&pThis->GetPos(), *static_cast<POINT*>(pData)) ? pThis : NULL;
}

CControlUI* CALLBACK FindControlFromName(CControlUI* pThis, LPVOID pData) {
  return pThis->GetName() == static_cast<LPCTSTR>(pData) ? pThis : NULL;
}

// Collects every control; FindControl stops at the first non-null answer, so answer null.
CControlUI* CALLBACK CollectControls(CControlUI* pThis, LPVOID pData) {
  static_cast<std::vector<CControlUI*>*>(pData)->push_back(pThis);
  return NULL;
}

template <typename T>
bool AddUnique(std::vector<T*>& v, T* p) {
  if (!p || std::find(v.begin(), v.end(), p) != v.end()) return false;
  v.push_back(p);
  return true;
}

template <typename T>
bool RemoveOne(std::vector<T*>& v, T* p) {
  auto it = std::find(v.begin(), v.end(), p);
  if (it == v.end()) return false;
  v.erase(it);
  return true;
}

}  // namespace

// ---- The manager's state ------------------------------------------------------------------

struct CPaintManagerUI::Impl {
  struct FontEntry {
    int id;
    unique_hfont font;
  };
  struct BoldVariant {
    HFONT base;
    unique_hfont font;
  };

  explicit Impl(CPaintManagerUI* owner) : self(owner) {}

  CPaintManagerUI* self;
  HWND hWnd = NULL;
  quenda::unique_hdc paintDC;
  CControlUI* root = NULL;
  CControlUI* focus = NULL;
  CControlUI* hover = NULL;
  CControlUI* eventClick = NULL;  // the control a button press started on
  bool mouseTracking = false;
  bool updateNeeded = true;
  bool firstLayout = true;
  POINT lastMouse = {-1, -1};

  SIZE initSize = {0, 0};
  SIZE minInfo = {0, 0};
  SIZE maxInfo = {0, 0};
  RECT sizeBox = {0, 0, 0, 0};
  RECT caption = {0, 0, 0, 0};

  std::vector<INotifyUI*> notifiers;
  std::vector<IMessageFilterUI*> preFilters;
  std::vector<ITranslateAccelerator*> translators;
  std::deque<TNotifyUI> asyncNotify;

  std::vector<FontEntry> fonts;
  unique_hfont defaultFont;
  std::vector<BoldVariant> boldVariants;

  internal::unique_hwnd tooltip;
  CControlUI* tooltipOwner = NULL;

  HFONT DefaultFont() {
    if (!defaultFont) defaultFont.reset(MakeFont(L"微软雅黑", 12, false, false, false));
    return defaultFont.get();
  }

  // Sends a control event; the control may be removed while it handles it.
  void Event(CControlUI* control, int type, WPARAM wParam = 0, LPARAM lParam = 0) {
    if (!control) return;
    TEventUI event = {};
    event.Type = type;
    event.pSender = control;
    event.dwTimestamp = ::GetTickCount();
    event.ptMouse = lastMouse;
    event.wKeyState = static_cast<WORD>(wParam);
    event.wParam = wParam;
    event.lParam = lParam;
    control->Event(event);
  }

  void SetMouse(LPARAM lParam) {
    lastMouse.x = internal::LParamX(lParam);
    lastMouse.y = internal::LParamY(lParam);
  }

  void Notify(TNotifyUI& msg) {
    // A copy: a notifier may add or remove notifiers while it handles the message.
    const std::vector<INotifyUI*> now = notifiers;
    for (INotifyUI* n : now) {
      if (std::find(notifiers.begin(), notifiers.end(), n) != notifiers.end()) n->Notify(msg);
    }
  }

  void DeliverAsync() {
    while (!asyncNotify.empty()) {
      TNotifyUI msg = asyncNotify.front();
      asyncNotify.pop_front();
      if (msg.pSender) Notify(msg);  // else its control was removed meanwhile
    }
  }

  void Paint();
  void PrintClient(HDC hdc);
  void MouseMove(WPARAM wParam, LPARAM lParam);
  void MouseLeave(WPARAM wParam, LPARAM lParam);
  void ShowTooltip(LPARAM lParam);
  void HideTooltip();
  void ButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam);
  void ButtonUp(WPARAM wParam, LPARAM lParam);
  void CaptureChanged(HWND newCapture);
  bool SetCursor(WPARAM wParam, LPARAM lParam);
  // The mouse and keyboard messages; none of them is kept from the window's own handling.
  void Input(UINT uMsg, WPARAM wParam, LPARAM lParam);
};

// ---- Painting -------------------------------------------------------------------------------

void CPaintManagerUI::Impl::Paint() {
  self->UpdateLayout();
  PAINTSTRUCT ps;
  HDC hdc = ::BeginPaint(hWnd, &ps);
  const RECT rc = ps.rcPaint;
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (w > 0 && h > 0) {
    // Painted off screen and copied in one go: no flicker while controls overlap.
    quenda::unique_hdc mem(::CreateCompatibleDC(hdc));
    quenda::unique_hbitmap bmp(::CreateCompatibleBitmap(hdc, w, h));
    if (mem && bmp) {
      HGDIOBJ oldBmp = ::SelectObject(mem.get(), bmp.get());
      ::SetViewportOrgEx(mem.get(), -rc.left, -rc.top, NULL);
      ::FillRect(mem.get(), &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      if (root) root->DoPaint(mem.get(), rc);
      ::BitBlt(hdc, rc.left, rc.top, w, h, mem.get(), rc.left, rc.top, SRCCOPY);
      ::SelectObject(mem.get(), oldBmp);
    }
  }
  ::EndPaint(hWnd, &ps);
}

void CPaintManagerUI::Impl::PrintClient(HDC hdc) {
  self->UpdateLayout();
  RECT rc = {};
  ::GetClientRect(hWnd, &rc);
  const int saved = ::SaveDC(hdc);
  if (root) root->DoPaint(hdc, rc);
  ::RestoreDC(hdc, saved);
}

// ---- Mouse and keyboard ---------------------------------------------------------------------

void CPaintManagerUI::Impl::MouseMove(WPARAM wParam, LPARAM lParam) {
  if (!mouseTracking) {
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE | TME_HOVER;
    tme.hwndTrack = hWnd;
    tme.dwHoverTime = 400;
    mouseTracking = ::TrackMouseEvent(&tme) != FALSE;
  }
  SetMouse(lParam);
  CControlUI* newHover = self->FindControl(lastMouse);
  if (newHover != hover) {
    HideTooltip();
    CControlUI* old = hover;
    hover = newHover;
    if (old) Event(old, UIEVENT_MOUSELEAVE, wParam, lParam);
    if (newHover) Event(newHover, UIEVENT_MOUSEENTER, wParam, lParam);
  }
  Event(eventClick ? eventClick : newHover, UIEVENT_MOUSEMOVE, wParam, lParam);
}

void CPaintManagerUI::Impl::MouseLeave(WPARAM wParam, LPARAM lParam) {
  mouseTracking = false;
  HideTooltip();
  if (hover && !eventClick) {
    CControlUI* old = hover;
    hover = NULL;
    lastMouse.x = lastMouse.y = -1;
    Event(old, UIEVENT_MOUSELEAVE, wParam, lParam);
  }
}

void CPaintManagerUI::Impl::ShowTooltip(LPARAM lParam) {
  mouseTracking = false;
  POINT pt = {internal::LParamX(lParam), internal::LParamY(lParam)};
  CControlUI* control = self->FindControl(pt);
  if (!control || control->GetToolTip().IsEmpty() || eventClick) return;
  TOOLINFOW ti = {};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.hwnd = hWnd;
  ti.uId = reinterpret_cast<UINT_PTR>(hWnd);
  if (!tooltip) {
    internal::InitCommonControlsOnce();
    tooltip.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, NULL,
                                    WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hWnd, NULL,
                                    GetInstance(), NULL));
    if (!tooltip) return;
    ::SetWindowPos(tooltip.get(), HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ti.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    ti.lpszText = const_cast<LPWSTR>(L"");
    ::SendMessageW(tooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageW(tooltip.get(), TTM_SETMAXTIPWIDTH, 0, 400);
  }
  wchar_t tipText[1024];
  wcsncpy_s(tipText, control->GetToolTip().GetData(), _TRUNCATE);
  ti.uFlags = 0;
  ti.lpszText = tipText;
  ::SendMessageW(tooltip.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  POINT screen = pt;
  ::ClientToScreen(hWnd, &screen);
  ::SendMessageW(tooltip.get(), TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x + 12, screen.y + 20));
  ::SendMessageW(tooltip.get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  tooltipOwner = control;
}

void CPaintManagerUI::Impl::HideTooltip() {
  if (tooltip) ::SendMessageW(tooltip.get(), TTM_TRACKACTIVATE, FALSE, 0);
  tooltipOwner = NULL;
}

void CPaintManagerUI::Impl::ButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  HideTooltip();
  SetMouse(lParam);
  CControlUI* control = self->FindControl(lastMouse);
  if (!control || control->GetManager() != self) return;
  eventClick = control;
  self->SetCapture();
  // Buttons and other controls that take the keyboard get the focus; a click on a label
  // leaves it where it was.
  if (control->IsEnabled() && (control->GetControlFlags() & UIFLAG_TABSTOP)) control->SetFocus();
  // The focus change may have removed the control.
  if (eventClick != control) return;
  Event(control, uMsg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, wParam, lParam);
}

void CPaintManagerUI::Impl::ButtonUp(WPARAM wParam, LPARAM lParam) {
  SetMouse(lParam);
  CControlUI* control = eventClick;
  eventClick = NULL;
  self->ReleaseCapture();
  // The button decides whether the release counts as a click (over itself, enabled).
  // Anything the click starts, modal windows included, runs with the press finished.
  Event(control, UIEVENT_BUTTONUP, wParam, lParam);
}

void CPaintManagerUI::Impl::CaptureChanged(HWND newCapture) {
  if (!eventClick || newCapture == hWnd) return;
  // The press was taken away (a menu, another window): end it without a click.
  CControlUI* control = eventClick;
  eventClick = NULL;
  const POINT saved = lastMouse;
  lastMouse.x = lastMouse.y = -32768;
  Event(control, UIEVENT_BUTTONUP);
  lastMouse = saved;
}

bool CPaintManagerUI::Impl::SetCursor(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(lParam) != HTCLIENT) return false;  // borders and caption: the system's cursors
  // Over a child window (a hosted browser) the child's own cursor applies.
  if (reinterpret_cast<HWND>(wParam) != hWnd) return false;
  POINT pt = {};
  ::GetCursorPos(&pt);
  ::ScreenToClient(hWnd, &pt);
  CControlUI* control = self->FindControl(pt);
  if (control && (control->GetControlFlags() & UIFLAG_SETCURSOR) && control->IsEnabled()) {
    lastMouse = pt;
    Event(control, UIEVENT_SETCURSOR, wParam, lParam);
  } else {
    ::SetCursor(::LoadCursorW(NULL, IDC_ARROW));
  }
  return true;
}

void CPaintManagerUI::Impl::Input(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_MOUSEMOVE:
      MouseMove(wParam, lParam);
      break;
    case WM_MOUSELEAVE:
      MouseLeave(wParam, lParam);
      break;
    case WM_MOUSEHOVER:
      ShowTooltip(lParam);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ButtonDown(uMsg, wParam, lParam);
      break;
    case WM_LBUTTONUP:
      ButtonUp(wParam, lParam);
      break;
    case WM_CAPTURECHANGED:
      CaptureChanged(reinterpret_cast<HWND>(lParam));
      break;
    case WM_KEYDOWN:
      Event(focus, UIEVENT_KEYDOWN, wParam, lParam);
      break;
    case WM_DESTROY:
      HideTooltip();
      eventClick = hover = NULL;
      break;
    default:
      break;
  }
}

// ---- Construction and the window ----------------------------------------------------------

CPaintManagerUI::CPaintManagerUI() : m_pImpl(new Impl(this)) {}

CPaintManagerUI::~CPaintManagerUI() {
  Init(NULL);
  // Controls are deleted while the fonts they refer to still exist.
  delete m_pImpl->root;
  m_pImpl->root = NULL;
  delete m_pImpl;
}

void CPaintManagerUI::Init(HWND hWnd) {
  Impl& d = *m_pImpl;
  // A manager whose window is gone must not get messages of a new window with the same handle.
  if (d.hWnd && ::GetPropW(d.hWnd, kManagerProp) == this) ::RemovePropW(d.hWnd, kManagerProp);
  d.hWnd = hWnd;
  if (!hWnd) return;
  ::SetPropW(hWnd, kManagerProp, this);
  // A memory DC of our own for measuring text: holding on to one of the system's window DCs
  // for a window's whole life would take it from the shared cache.
  if (!d.paintDC) d.paintDC.reset(::CreateCompatibleDC(NULL));
}

HWND CPaintManagerUI::GetPaintWindow() const { return m_pImpl->hWnd; }
HDC CPaintManagerUI::GetPaintDC() const { return m_pImpl->paintDC.get(); }

SIZE CPaintManagerUI::GetInitSize() { return m_pImpl->initSize; }
void CPaintManagerUI::SetInitSize(int cx, int cy) {
  m_pImpl->initSize.cx = std::max(0, cx);
  m_pImpl->initSize.cy = std::max(0, cy);
}
RECT& CPaintManagerUI::GetSizeBox() { return m_pImpl->sizeBox; }
void CPaintManagerUI::SetSizeBox(RECT& rcSizeBox) { m_pImpl->sizeBox = rcSizeBox; }
RECT& CPaintManagerUI::GetCaptionRect() { return m_pImpl->caption; }
void CPaintManagerUI::SetCaptionRect(RECT& rcCaption) { m_pImpl->caption = rcCaption; }
SIZE CPaintManagerUI::GetMinInfo() const { return m_pImpl->minInfo; }
void CPaintManagerUI::SetMinInfo(int cx, int cy) {
  m_pImpl->minInfo.cx = std::max(0, cx);
  m_pImpl->minInfo.cy = std::max(0, cy);
}
SIZE CPaintManagerUI::GetMaxInfo() const { return m_pImpl->maxInfo; }
void CPaintManagerUI::SetMaxInfo(int cx, int cy) {
  m_pImpl->maxInfo.cx = std::max(0, cx);
  m_pImpl->maxInfo.cy = std::max(0, cy);
}

// ---- Process-wide settings ----------------------------------------------------------------

HINSTANCE CPaintManagerUI::GetInstance() {
  return g_hInstance ? g_hInstance : ::GetModuleHandleW(NULL);
}

CDuiString CPaintManagerUI::GetInstancePath() {
  // Long paths too: the buffer grows until the whole name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(GetInstance(), &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return CDuiString();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) return CDuiString();
    path.resize(path.size() * 2);
  }
  const size_t cut = path.find_last_of(L"\\/");
  return CDuiString(path.c_str(), cut == std::wstring::npos ? 0 : static_cast<int>(cut + 1));
}

const CDuiString& CPaintManagerUI::GetResourcePath() {
  if (ResourcePath().IsEmpty()) ResourcePath() = GetInstancePath();
  return ResourcePath();
}

void CPaintManagerUI::SetInstance(HINSTANCE hInst) { g_hInstance = hInst; }

void CPaintManagerUI::SetResourcePath(LPCTSTR pStrPath) {
  CDuiString& path = ResourcePath();
  path = pStrPath;
  const int n = path.GetLength();
  if (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/') path += L'\\';
}

// ---- Fonts ----------------------------------------------------------------------------------

HFONT CPaintManagerUI::AddFont(int id, LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline,
                               bool bItalic) {
  if (id < 0) return NULL;
  unique_hfont font(MakeFont(pStrFontName, nSize, bBold, bUnderline, bItalic));
  if (!font) return NULL;
  const HFONT made = font.get();
  for (Impl::FontEntry& f : m_pImpl->fonts) {
    if (f.id == id) {
      f.font = std::move(font);
      return made;
    }
  }
  m_pImpl->fonts.push_back(Impl::FontEntry{id, std::move(font)});
  return made;
}

HFONT CPaintManagerUI::GetFont(int id) {
  for (const Impl::FontEntry& f : m_pImpl->fonts) {
    if (f.id == id && id >= 0) return f.font.get();
  }
  return m_pImpl->DefaultFont();
}

void CPaintManagerUI::SetDefaultFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline,
                                     bool bItalic) {
  unique_hfont font(MakeFont(pStrFontName, nSize, bBold, bUnderline, bItalic));
  if (font) m_pImpl->defaultFont = std::move(font);
}

HFONT CPaintManagerUI::GetBoldFont(HFONT hBase) {
  if (!hBase) hBase = GetFont(-1);
  for (const Impl::BoldVariant& v : m_pImpl->boldVariants) {
    if (v.base == hBase) return v.font.get();
  }
  LOGFONTW lf = {};
  if (!::GetObjectW(hBase, sizeof(lf), &lf) || lf.lfWeight >= FW_BOLD) return hBase;
  lf.lfWeight = FW_BOLD;
  unique_hfont font(::CreateFontIndirectW(&lf));
  if (!font) return hBase;
  m_pImpl->boldVariants.push_back(Impl::BoldVariant{hBase, std::move(font)});
  return m_pImpl->boldVariants.back().font.get();
}

// ---- Controls -------------------------------------------------------------------------------

bool CPaintManagerUI::AttachDialog(CControlUI* pControl) {
  // A new tree replaces the old one; events in flight refer to nothing any more.
  m_pImpl->HideTooltip();
  m_pImpl->focus = m_pImpl->hover = m_pImpl->eventClick = NULL;
  delete m_pImpl->root;
  m_pImpl->root = pControl;
  m_pImpl->updateNeeded = true;
  m_pImpl->firstLayout = true;
  if (!pControl) return false;
  return InitControls(pControl);
}

bool CPaintManagerUI::InitControls(CControlUI* pControl, CControlUI* pParent) {
  if (!pControl) return false;
  pControl->SetManager(this, pParent != NULL ? pParent : pControl->GetParent(), true);
  NeedUpdate();
  return true;
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
  if (!pControl) return;
  // A control leaving the window must not stay referenced by the event state.
  std::vector<CControlUI*> gone;
  pControl->FindControl(CollectControls, &gone, UIFIND_ALL);
  Impl& d = *m_pImpl;
  for (CControlUI* c : gone) {
    if (d.focus == c) d.focus = NULL;
    if (d.hover == c) d.hover = NULL;
    if (d.eventClick == c) d.eventClick = NULL;
    if (d.tooltipOwner == c) d.HideTooltip();
    for (TNotifyUI& msg : d.asyncNotify) {
      if (msg.pSender == c) msg.pSender = NULL;
    }
  }
}

CControlUI* CPaintManagerUI::GetRoot() const { return m_pImpl->root; }

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
  if (!m_pImpl->root) return NULL;
  return m_pImpl->root->FindControl(FindControlFromPoint, &pt,
                                    UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindControl(LPCTSTR pstrName) const {
  if (!m_pImpl->root || !pstrName) return NULL;
  return m_pImpl->root->FindControl(FindControlFromName, const_cast<LPTSTR>(pstrName),
                                    UIFIND_ALL | UIFIND_ME_FIRST);
}

CControlUI* CPaintManagerUI::GetFocus() const { return m_pImpl->focus; }

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
  Impl& d = *m_pImpl;
  if (pControl == d.focus) return;
  if (d.hWnd && ::GetFocus() != d.hWnd && pControl) ::SetFocus(d.hWnd);
  CControlUI* old = d.focus;
  d.focus = NULL;
  d.Event(old, UIEVENT_KILLFOCUS);
  if (pControl && pControl->GetManager() == this && pControl->IsVisible() &&
      pControl->IsEnabled()) {
    d.focus = pControl;
    d.Event(pControl, UIEVENT_SETFOCUS);
  }
}

void CPaintManagerUI::SetCapture() {
  if (m_pImpl->hWnd) ::SetCapture(m_pImpl->hWnd);
}

void CPaintManagerUI::ReleaseCapture() {
  if (m_pImpl->hWnd && ::GetCapture() == m_pImpl->hWnd) ::ReleaseCapture();
}

// ---- Layout and painting --------------------------------------------------------------------

void CPaintManagerUI::NeedUpdate() {
  m_pImpl->updateNeeded = true;
  if (m_pImpl->hWnd) ::InvalidateRect(m_pImpl->hWnd, NULL, FALSE);
}

void CPaintManagerUI::Invalidate(RECT& rcItem) {
  if (m_pImpl->hWnd) ::InvalidateRect(m_pImpl->hWnd, &rcItem, FALSE);
}

void CPaintManagerUI::UpdateLayout() {
  Impl& d = *m_pImpl;
  if (!d.root || !d.hWnd || !d.updateNeeded) return;
  RECT rc = {};
  ::GetClientRect(d.hWnd, &rc);
  if (::IsRectEmpty(&rc) || ::IsIconic(d.hWnd)) return;
  d.updateNeeded = false;
  d.root->SetPos(rc, false);
  ::InvalidateRect(d.hWnd, NULL, FALSE);
  if (d.firstLayout) {
    d.firstLayout = false;
    // Delivered from the message loop, once the window is laid out and painting is over.
    SendNotify(d.root, DUI_MSGTYPE_WINDOWINIT, 0, 0, true);
  }
}

// ---- Notifications and messages ---------------------------------------------------------------

bool CPaintManagerUI::AddNotifier(INotifyUI* p) { return AddUnique(m_pImpl->notifiers, p); }
bool CPaintManagerUI::RemoveNotifier(INotifyUI* p) { return RemoveOne(m_pImpl->notifiers, p); }

void CPaintManagerUI::SendNotify(TNotifyUI& Msg, bool bAsync) {
  Msg.ptMouse = m_pImpl->lastMouse;
  Msg.dwTimestamp = ::GetTickCount();
  if (bAsync && m_pImpl->hWnd) {
    m_pImpl->asyncNotify.push_back(Msg);
    ::PostMessageW(m_pImpl->hWnd, internal::AsyncNotifyMessage(), 0, 0);
    return;
  }
  m_pImpl->Notify(Msg);
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam,
                                 LPARAM lParam, bool bAsync) {
  TNotifyUI msg;
  msg.pSender = pControl;
  msg.sType = pstrMessage;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, bAsync);
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* p) {
  return AddUnique(m_pImpl->preFilters, p);
}
bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* p) {
  return RemoveOne(m_pImpl->preFilters, p);
}
bool CPaintManagerUI::AddTranslateAccelerator(ITranslateAccelerator* p) {
  return AddUnique(m_pImpl->translators, p);
}
bool CPaintManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* p) {
  return RemoveOne(m_pImpl->translators, p);
}

bool CPaintManagerUI::TranslateAccelerator(LPMSG pMsg) {
  const std::vector<ITranslateAccelerator*> translators = m_pImpl->translators;
  for (ITranslateAccelerator* t : translators) {
    if (t->TranslateAccelerator(pMsg) == S_OK) return true;
  }
  return false;
}

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
  const std::vector<IMessageFilterUI*> filters = m_pImpl->preFilters;
  for (IMessageFilterUI* f : filters) {
    bool handled = false;
    const LRESULT r = f->MessageHandler(uMsg, wParam, lParam, handled);
    if (handled) {
      lRes = r;
      return true;
    }
  }
  return false;
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
  Impl& d = *m_pImpl;
  if (!d.hWnd) return false;
  lRes = 0;
  if (uMsg == internal::AsyncNotifyMessage()) {
    d.DeliverAsync();
    return true;
  }
  switch (uMsg) {
    case WM_ERASEBKGND:
      lRes = 1;
      return true;
    case WM_PAINT:
      d.Paint();
      return true;
    case WM_PRINTCLIENT:
      d.PrintClient(reinterpret_cast<HDC>(wParam));
      return true;
    case WM_SIZE:
      if (d.root) d.root->NeedUpdate();
      NeedUpdate();
      return true;
    case WM_SETCURSOR:
      lRes = TRUE;
      return d.SetCursor(wParam, lParam);
    default:
      d.Input(uMsg, wParam, lParam);
      return false;
  }
}

void CPaintManagerUI::MessageLoop() {
  MSG msg;
  while (internal::LiveWindows() > 0) {
    const BOOL got = ::GetMessageW(&msg, NULL, 0, 0);
    if (got <= 0) break;  // WM_QUIT, or an error
    if (!TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

bool CPaintManagerUI::TranslateMessage(const LPMSG pMsg) {
  if (!pMsg || !pMsg->hwnd) return false;
  const bool key = pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST;
  // The managers of the message's window and of the windows it is a child of.
  for (HWND hWnd = pMsg->hwnd; hWnd != NULL; hWnd = ::GetParent(hWnd)) {
    CPaintManagerUI* m = static_cast<CPaintManagerUI*>(::GetPropW(hWnd, kManagerProp));
    if (m && m->GetPaintWindow() == hWnd) {
      if (key && m->TranslateAccelerator(pMsg)) return true;
      LRESULT lRes = 0;
      if (m->PreMessageHandler(pMsg->message, pMsg->wParam, pMsg->lParam, lRes)) return true;
    }
    if (!(::GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD)) break;
  }
  return false;
}

void CPaintManagerUI::Term() { FaceCache().clear(); }

}  // namespace DuiLib

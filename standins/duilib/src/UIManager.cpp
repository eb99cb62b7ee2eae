#include "Internal.h"

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace DuiLib {

namespace {

// ---- Process-wide settings ----------------------------------------------------------------

HINSTANCE g_hInstance = NULL;
HINSTANCE g_hResourceInstance = NULL;

CDuiString& ResourcePath() {
  static CDuiString path;
  return path;
}

// Managers with a window, for routing messages in TranslateMessage.
std::mutex g_managersLock;
std::vector<CPaintManagerUI*>& Managers() {
  static std::vector<CPaintManagerUI*> managers;
  return managers;
}

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

// The face to use for a requested one: itself when installed, else the first installed
// Chinese fallback, else the system's UI font. Answers are cached for the process.
std::wstring ResolveFace(const wchar_t* requested) {
  static std::mutex lock;
  static std::map<std::wstring, std::wstring> cache;
  const std::wstring key = requested ? requested : L"";
  std::lock_guard<std::mutex> guard(lock);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  HDC hdc = ::GetDC(NULL);
  std::wstring face;
  if (FaceInstalled(hdc, key.c_str(), DEFAULT_CHARSET)) {
    face = key;
  } else {
    for (const wchar_t* candidate : kFallbackFaces) {
      if (FaceInstalled(hdc, candidate, GB2312_CHARSET)) {
        face = candidate;
        break;
      }
    }
  }
  ::ReleaseDC(NULL, hdc);
  if (face.empty()) {
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof(ncm);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
      face = ncm.lfMessageFont.lfFaceName;
    }
  }
  cache[key] = face;
  return face;
}

HFONT MakeFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) {
  LOGFONTW lf = {};
  lf.lfHeight = -size;
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

void FillFontInfo(TFontInfo* info, HFONT font, const wchar_t* requested, int size, bool bold,
                  bool underline, bool italic) {
  info->hFont = font;
  info->sFontName = ResolveFace(requested).c_str();
  info->iSize = size;
  info->bBold = bold;
  info->bUnderline = underline;
  info->bItalic = italic;
  memset(&info->tm, 0, sizeof(info->tm));
  HDC hdc = ::GetDC(NULL);
  HGDIOBJ old = ::SelectObject(hdc, font);
  ::GetTextMetricsW(hdc, &info->tm);
  ::SelectObject(hdc, old);
  ::ReleaseDC(NULL, hdc);
}

// ---- Finding controls ---------------------------------------------------------------------

CControlUI* CALLBACK FindControlFromPoint(CControlUI* pThis, LPVOID pData) {
  return ::PtInRect(&pThis->GetPos(), *static_cast<POINT*>(pData)) ? pThis : NULL;
}

CControlUI* CALLBACK FindControlFromName(CControlUI* pThis, LPVOID pData) {
  return pThis->GetName() == static_cast<LPCTSTR>(pData) ? pThis : NULL;
}

struct FindUpdate {
  std::vector<CControlUI*>* found;
};

// Collects every control; FindControl stops at the first non-null answer, so answer null.
CControlUI* CALLBACK CollectControls(CControlUI* pThis, LPVOID pData) {
  static_cast<std::vector<CControlUI*>*>(pData)->push_back(pThis);
  return NULL;
}

}  // namespace

// ---- The manager's state ------------------------------------------------------------------

struct CPaintManagerUI::Impl {
  struct FontEntry {
    int id;
    TFontInfo info;
  };
  struct FontVariant {
    HFONT base;
    int flags;
    HFONT font;
  };

  HWND hWnd = NULL;
  HDC hPaintDC = NULL;
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
  SIZE roundCorner = {0, 0};
  RECT sizeBox = {0, 0, 0, 0};
  RECT caption = {0, 0, 0, 0};
  CDuiString resourceFolder;

  std::vector<INotifyUI*> notifiers;
  std::vector<IMessageFilterUI*> preFilters;
  std::vector<IMessageFilterUI*> filters;
  std::vector<ITranslateAccelerator*> translators;
  std::deque<TNotifyUI> asyncNotify;

  std::vector<FontEntry> fonts;
  TFontInfo defaultFont = {};
  std::vector<FontVariant> variants;
  std::map<std::wstring, std::wstring> defaultAttributes;
  std::map<std::wstring, CDuiPtrArray> optionGroups;
  std::map<std::wstring, HBITMAP> images;

  HWND tooltip = NULL;
  CControlUI* tooltipOwner = NULL;

  ~Impl() {
    for (FontEntry& f : fonts) ::DeleteObject(f.info.hFont);
    for (FontVariant& v : variants) ::DeleteObject(v.font);
    if (defaultFont.hFont) ::DeleteObject(defaultFont.hFont);
    for (auto& image : images) {
      if (image.second) ::DeleteObject(image.second);
    }
  }

  TFontInfo* Default() {
    if (!defaultFont.hFont) {
      HFONT font = MakeFont(L"微软雅黑", 12, false, false, false);
      FillFontInfo(&defaultFont, font, L"微软雅黑", 12, false, false, false);
    }
    return &defaultFont;
  }

  FontEntry* FindFont(int id) {
    for (FontEntry& f : fonts) {
      if (f.id == id) return &f;
    }
    return NULL;
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

  void HideTooltip() {
    if (tooltip) ::SendMessageW(tooltip, TTM_TRACKACTIVATE, FALSE, 0);
    tooltipOwner = NULL;
  }
};

// ---- Construction and the window ----------------------------------------------------------

CPaintManagerUI::CPaintManagerUI() : m_pImpl(new Impl) {}

CPaintManagerUI::~CPaintManagerUI() {
  {
    std::lock_guard<std::mutex> guard(g_managersLock);
    std::vector<CPaintManagerUI*>& all = Managers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
  }
  // Controls are deleted while the fonts they refer to still exist.
  delete m_pImpl->root;
  m_pImpl->root = NULL;
  if (m_pImpl->tooltip && ::IsWindow(m_pImpl->tooltip)) ::DestroyWindow(m_pImpl->tooltip);
  if (m_pImpl->hPaintDC) ::DeleteDC(m_pImpl->hPaintDC);
  delete m_pImpl;
}

void CPaintManagerUI::Init(HWND hWnd) {
  m_pImpl->hWnd = hWnd;
  // A memory DC of our own for measuring text: holding on to one of the system's window DCs
  // for a window's whole life would take it from the shared cache.
  if (hWnd && !m_pImpl->hPaintDC) m_pImpl->hPaintDC = ::CreateCompatibleDC(NULL);
  std::lock_guard<std::mutex> guard(g_managersLock);
  std::vector<CPaintManagerUI*>& all = Managers();
  const auto it = std::find(all.begin(), all.end(), this);
  // A manager whose window is gone must not get messages of a new window with the same handle.
  if (hWnd && it == all.end()) all.push_back(this);
  if (!hWnd && it != all.end()) all.erase(it);
}

HWND CPaintManagerUI::GetPaintWindow() const { return m_pImpl->hWnd; }
HDC CPaintManagerUI::GetPaintDC() const { return m_pImpl->hPaintDC; }
POINT CPaintManagerUI::GetMousePos() const { return m_pImpl->lastMouse; }

SIZE CPaintManagerUI::GetClientSize() const {
  RECT rc = {};
  if (m_pImpl->hWnd) ::GetClientRect(m_pImpl->hWnd, &rc);
  SIZE sz = {rc.right - rc.left, rc.bottom - rc.top};
  return sz;
}

SIZE CPaintManagerUI::GetInitSize() { return m_pImpl->initSize; }
void CPaintManagerUI::SetInitSize(int cx, int cy) {
  m_pImpl->initSize.cx = std::max(0, cx);
  m_pImpl->initSize.cy = std::max(0, cy);
}
RECT& CPaintManagerUI::GetSizeBox() { return m_pImpl->sizeBox; }
void CPaintManagerUI::SetSizeBox(RECT& rcSizeBox) { m_pImpl->sizeBox = rcSizeBox; }
RECT& CPaintManagerUI::GetCaptionRect() { return m_pImpl->caption; }
void CPaintManagerUI::SetCaptionRect(RECT& rcCaption) { m_pImpl->caption = rcCaption; }
SIZE CPaintManagerUI::GetRoundCorner() const { return m_pImpl->roundCorner; }
void CPaintManagerUI::SetRoundCorner(int cx, int cy) {
  m_pImpl->roundCorner.cx = std::max(0, cx);
  m_pImpl->roundCorner.cy = std::max(0, cy);
}
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
CDuiString CPaintManagerUI::GetResourceFolder() const {
  return m_pImpl->resourceFolder.IsEmpty() ? GetResourcePath() : m_pImpl->resourceFolder;
}
void CPaintManagerUI::SetResourceFolder(LPCTSTR pStrPath) {
  m_pImpl->resourceFolder = pStrPath;
  const int n = m_pImpl->resourceFolder.GetLength();
  if (n > 0 && m_pImpl->resourceFolder[n - 1] != L'\\' && m_pImpl->resourceFolder[n - 1] != L'/') {
    m_pImpl->resourceFolder += L'\\';
  }
}

// ---- Process-wide settings ----------------------------------------------------------------

HINSTANCE CPaintManagerUI::GetInstance() {
  return g_hInstance ? g_hInstance : ::GetModuleHandleW(NULL);
}

CDuiString CPaintManagerUI::GetInstancePath() {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD n = ::GetModuleFileNameW(GetInstance(), path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    // Long paths: ask again with a buffer that is big enough.
    std::wstring big(32768, L'\0');
    n = ::GetModuleFileNameW(GetInstance(), &big[0], static_cast<DWORD>(big.size()));
    if (n == 0 || n >= big.size()) return CDuiString();
    big.resize(n);
    const size_t cut = big.find_last_of(L"\\/");
    return CDuiString(big.c_str(), cut == std::wstring::npos ? 0 : static_cast<int>(cut + 1));
  }
  CDuiString s(path, static_cast<int>(n));
  const int cut = std::max(s.ReverseFind(L'\\'), s.ReverseFind(L'/'));
  return s.Left(cut + 1);
}

CDuiString CPaintManagerUI::GetCurrentPath() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD n = ::GetCurrentDirectoryW(MAX_PATH, path);
  return CDuiString(path, n <= MAX_PATH ? static_cast<int>(n) : 0);
}

HINSTANCE CPaintManagerUI::GetResourceDll() {
  return g_hResourceInstance ? g_hResourceInstance : GetInstance();
}

const CDuiString& CPaintManagerUI::GetResourcePath() {
  if (ResourcePath().IsEmpty()) ResourcePath() = GetInstancePath();
  return ResourcePath();
}

void CPaintManagerUI::SetInstance(HINSTANCE hInst) { g_hInstance = hInst; }

void CPaintManagerUI::SetCurrentPath(LPCTSTR pStrPath) { ::SetCurrentDirectoryW(pStrPath); }

void CPaintManagerUI::SetResourceDll(HINSTANCE hInst) { g_hResourceInstance = hInst; }

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
  if (nSize <= 0) nSize = 12;
  nSize = std::min(nSize, 500);
  HFONT font = MakeFont(pStrFontName, nSize, bBold, bUnderline, bItalic);
  if (!font) return NULL;
  Impl::FontEntry* entry = m_pImpl->FindFont(id);
  if (entry) {
    ::DeleteObject(entry->info.hFont);
  } else {
    m_pImpl->fonts.push_back(Impl::FontEntry());
    entry = &m_pImpl->fonts.back();
    entry->id = id;
  }
  FillFontInfo(&entry->info, font, pStrFontName, nSize, bBold, bUnderline, bItalic);
  return font;
}

HFONT CPaintManagerUI::GetFont(int id) {
  Impl::FontEntry* entry = id >= 0 ? m_pImpl->FindFont(id) : NULL;
  return entry ? entry->info.hFont : m_pImpl->Default()->hFont;
}

TFontInfo* CPaintManagerUI::GetFontInfo(int id) {
  Impl::FontEntry* entry = id >= 0 ? m_pImpl->FindFont(id) : NULL;
  return entry ? &entry->info : m_pImpl->Default();
}

void CPaintManagerUI::SetDefaultFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline,
                                     bool bItalic) {
  if (nSize <= 0) nSize = 12;
  nSize = std::min(nSize, 500);
  HFONT font = MakeFont(pStrFontName, nSize, bBold, bUnderline, bItalic);
  if (!font) return;
  if (m_pImpl->defaultFont.hFont) ::DeleteObject(m_pImpl->defaultFont.hFont);
  FillFontInfo(&m_pImpl->defaultFont, font, pStrFontName, nSize, bBold, bUnderline, bItalic);
}

TFontInfo* CPaintManagerUI::GetDefaultFontInfo() { return m_pImpl->Default(); }

HFONT CPaintManagerUI::GetFontVariant(HFONT hBase, bool bBold, bool bItalic, bool bUnderline) {
  if (!hBase) hBase = GetFont(-1);
  const int flags = (bBold ? 1 : 0) | (bItalic ? 2 : 0) | (bUnderline ? 4 : 0);
  if (flags == 0) return hBase;
  for (const Impl::FontVariant& v : m_pImpl->variants) {
    if (v.base == hBase && v.flags == flags) return v.font;
  }
  LOGFONTW lf = {};
  if (!::GetObjectW(hBase, sizeof(lf), &lf)) return hBase;
  if (bBold) lf.lfWeight = FW_BOLD;
  if (bItalic) lf.lfItalic = TRUE;
  if (bUnderline) lf.lfUnderline = TRUE;
  HFONT font = ::CreateFontIndirectW(&lf);
  if (!font) return hBase;
  m_pImpl->variants.push_back(Impl::FontVariant{hBase, flags, font});
  return font;
}

HBITMAP CPaintManagerUI::GetImage(LPCTSTR bitmap) {
  if (!bitmap || !*bitmap) return NULL;
  // Accept both "name.bmp" and "file='name.bmp' ..." (the other parts are ignored).
  std::wstring name = bitmap;
  const size_t file = name.find(L"file='");
  if (file != std::wstring::npos) {
    const size_t end = name.find(L'\'', file + 6);
    name = name.substr(file + 6, end == std::wstring::npos ? std::wstring::npos : end - file - 6);
  }
  auto it = m_pImpl->images.find(name);
  if (it != m_pImpl->images.end()) return it->second;
  std::wstring path = name;
  const bool absolute =
      path.size() > 1 && (path[1] == L':' || (path[0] == L'\\' && path[1] == L'\\'));
  if (!absolute) path = std::wstring(GetResourceFolder().GetData()) + path;
  HBITMAP bmp = static_cast<HBITMAP>(
      ::LoadImageW(NULL, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  m_pImpl->images[name] = bmp;
  return bmp;
}

void CPaintManagerUI::AddDefaultAttributeList(LPCTSTR pStrControlName,
                                              LPCTSTR pStrControlAttrList) {
  if (!pStrControlName || !pStrControlAttrList) return;
  m_pImpl->defaultAttributes[pStrControlName] = pStrControlAttrList;
}

LPCTSTR CPaintManagerUI::GetDefaultAttributeList(LPCTSTR pStrControlName) const {
  if (!pStrControlName) return NULL;
  auto it = m_pImpl->defaultAttributes.find(pStrControlName);
  return it == m_pImpl->defaultAttributes.end() ? NULL : it->second.c_str();
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
  for (CControlUI* c : gone) {
    if (m_pImpl->focus == c) m_pImpl->focus = NULL;
    if (m_pImpl->hover == c) m_pImpl->hover = NULL;
    if (m_pImpl->eventClick == c) m_pImpl->eventClick = NULL;
    if (m_pImpl->tooltipOwner == c) m_pImpl->HideTooltip();
    for (auto& group : m_pImpl->optionGroups) {
      const int i = group.second.Find(c);
      if (i >= 0) group.second.Remove(i);
    }
    for (TNotifyUI& msg : m_pImpl->asyncNotify) {
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

CControlUI* CPaintManagerUI::FindSubControlByPoint(CControlUI* pParent, POINT pt) const {
  if (!pParent) pParent = m_pImpl->root;
  if (!pParent) return NULL;
  return pParent->FindControl(FindControlFromPoint, &pt,
                              UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* pParent, LPCTSTR pstrName) const {
  if (!pParent) pParent = m_pImpl->root;
  if (!pParent || !pstrName) return NULL;
  return pParent->FindControl(FindControlFromName, const_cast<LPTSTR>(pstrName),
                              UIFIND_ALL | UIFIND_ME_FIRST);
}

bool CPaintManagerUI::AddOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl) {
  if (!pStrGroupName || !*pStrGroupName || !pControl) return false;
  CDuiPtrArray& group = m_pImpl->optionGroups[pStrGroupName];
  if (group.Find(pControl) < 0) group.Add(pControl);
  return true;
}

CDuiPtrArray* CPaintManagerUI::GetOptionGroup(LPCTSTR pStrGroupName) {
  if (!pStrGroupName) return NULL;
  auto it = m_pImpl->optionGroups.find(pStrGroupName);
  return it == m_pImpl->optionGroups.end() ? NULL : &it->second;
}

void CPaintManagerUI::RemoveOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl) {
  if (!pStrGroupName) return;
  auto it = m_pImpl->optionGroups.find(pStrGroupName);
  if (it == m_pImpl->optionGroups.end()) return;
  const int i = it->second.Find(pControl);
  if (i >= 0) it->second.Remove(i);
  if (it->second.IsEmpty()) m_pImpl->optionGroups.erase(it);
}

CControlUI* CPaintManagerUI::GetFocus() const { return m_pImpl->focus; }

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
  if (pControl == m_pImpl->focus) return;
  if (m_pImpl->hWnd && ::GetFocus() != m_pImpl->hWnd && pControl) ::SetFocus(m_pImpl->hWnd);
  CControlUI* old = m_pImpl->focus;
  m_pImpl->focus = NULL;
  if (old) {
    m_pImpl->Event(old, UIEVENT_KILLFOCUS);
    SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
  }
  if (pControl && pControl->GetManager() == this && pControl->IsVisible() &&
      pControl->IsEnabled()) {
    m_pImpl->focus = pControl;
    m_pImpl->Event(pControl, UIEVENT_SETFOCUS);
    SendNotify(pControl, DUI_MSGTYPE_SETFOCUS);
  }
}

void CPaintManagerUI::SetCapture() {
  if (m_pImpl->hWnd) ::SetCapture(m_pImpl->hWnd);
}

void CPaintManagerUI::ReleaseCapture() {
  if (m_pImpl->hWnd && ::GetCapture() == m_pImpl->hWnd) ::ReleaseCapture();
}

bool CPaintManagerUI::IsCaptured() { return m_pImpl->hWnd && ::GetCapture() == m_pImpl->hWnd; }

// ---- Layout and painting --------------------------------------------------------------------

bool CPaintManagerUI::IsUpdateNeeded() const { return m_pImpl->updateNeeded; }

void CPaintManagerUI::NeedUpdate() {
  m_pImpl->updateNeeded = true;
  if (m_pImpl->hWnd) ::InvalidateRect(m_pImpl->hWnd, NULL, FALSE);
}

void CPaintManagerUI::Invalidate() {
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

bool CPaintManagerUI::AddNotifier(INotifyUI* pNotifier) {
  if (!pNotifier) return false;
  std::vector<INotifyUI*>& v = m_pImpl->notifiers;
  if (std::find(v.begin(), v.end(), pNotifier) != v.end()) return false;
  v.push_back(pNotifier);
  return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pNotifier) {
  std::vector<INotifyUI*>& v = m_pImpl->notifiers;
  auto it = std::find(v.begin(), v.end(), pNotifier);
  if (it == v.end()) return false;
  v.erase(it);
  return true;
}

void CPaintManagerUI::SendNotify(TNotifyUI& Msg, bool bAsync) {
  Msg.ptMouse = m_pImpl->lastMouse;
  Msg.dwTimestamp = ::GetTickCount();
  if (bAsync && m_pImpl->hWnd) {
    m_pImpl->asyncNotify.push_back(Msg);
    ::PostMessageW(m_pImpl->hWnd, internal::AsyncNotifyMessage(), 0, 0);
    return;
  }
  // A copy: a notifier may add or remove notifiers while it handles the message.
  const std::vector<INotifyUI*> notifiers = m_pImpl->notifiers;
  for (INotifyUI* n : notifiers) {
    if (std::find(m_pImpl->notifiers.begin(), m_pImpl->notifiers.end(), n) !=
        m_pImpl->notifiers.end()) {
      n->Notify(Msg);
    }
  }
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam,
                                 LPARAM lParam, bool bAsync) {
  TNotifyUI msg;
  msg.pSender = pControl;
  msg.sType = pstrMessage;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.dwTimestamp = 0;
  msg.ptMouse = m_pImpl->lastMouse;
  for (CControlUI* c = pControl; c != NULL && msg.sVirtualWnd.IsEmpty(); c = c->GetParent()) {
    msg.sVirtualWnd = c->GetVirtualWnd();
  }
  SendNotify(msg, bAsync);
}

namespace {
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

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* p) {
  return AddUnique(m_pImpl->preFilters, p);
}
bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* p) {
  return RemoveOne(m_pImpl->preFilters, p);
}
bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* p) {
  return AddUnique(m_pImpl->filters, p);
}
bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* p) {
  return RemoveOne(m_pImpl->filters, p);
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

  {
    const std::vector<IMessageFilterUI*> filters = d.filters;
    for (IMessageFilterUI* f : filters) {
      bool handled = false;
      const LRESULT r = f->MessageHandler(uMsg, wParam, lParam, handled);
      if (handled) {
        lRes = r;
        return true;
      }
    }
  }

  if (uMsg == internal::AsyncNotifyMessage()) {
    while (!d.asyncNotify.empty()) {
      TNotifyUI msg = d.asyncNotify.front();
      d.asyncNotify.pop_front();
      if (!msg.pSender) continue;  // its control was removed meanwhile
      const std::vector<INotifyUI*> notifiers = d.notifiers;
      for (INotifyUI* n : notifiers) n->Notify(msg);
    }
    lRes = 0;
    return true;
  }

  switch (uMsg) {
    case WM_ERASEBKGND:
      lRes = 1;
      return true;

    case WM_PAINT: {
      UpdateLayout();
      PAINTSTRUCT ps;
      HDC hdc = ::BeginPaint(d.hWnd, &ps);
      const RECT rc = ps.rcPaint;
      const int w = rc.right - rc.left, h = rc.bottom - rc.top;
      if (w > 0 && h > 0) {
        // Painted off screen and copied in one go: no flicker while controls overlap.
        HDC mem = ::CreateCompatibleDC(hdc);
        HBITMAP bmp = ::CreateCompatibleBitmap(hdc, w, h);
        HGDIOBJ oldBmp = ::SelectObject(mem, bmp);
        ::SetViewportOrgEx(mem, -rc.left, -rc.top, NULL);
        HBRUSH white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        ::FillRect(mem, &rc, white);
        if (d.root) d.root->DoPaint(mem, rc);
        ::BitBlt(hdc, rc.left, rc.top, w, h, mem, rc.left, rc.top, SRCCOPY);
        ::SelectObject(mem, oldBmp);
        ::DeleteObject(bmp);
        ::DeleteDC(mem);
      }
      ::EndPaint(d.hWnd, &ps);
      lRes = 0;
      return true;
    }

    case WM_PRINTCLIENT: {
      UpdateLayout();
      RECT rc = {};
      ::GetClientRect(d.hWnd, &rc);
      HDC hdc = reinterpret_cast<HDC>(wParam);
      const int saved = ::SaveDC(hdc);
      if (d.root) d.root->DoPaint(hdc, rc);
      ::RestoreDC(hdc, saved);
      lRes = 0;
      return true;
    }

    case WM_SIZE:
      if (d.focus) d.Event(d.focus, UIEVENT_WINDOWSIZE);
      if (d.root) d.root->NeedUpdate();
      NeedUpdate();
      lRes = 0;
      return true;

    case WM_MOUSEMOVE: {
      if (!d.mouseTracking) {
        TRACKMOUSEEVENT tme = {};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_LEAVE | TME_HOVER;
        tme.hwndTrack = d.hWnd;
        tme.dwHoverTime = 400;
        d.mouseTracking = ::TrackMouseEvent(&tme) != FALSE;
      }
      d.lastMouse.x = internal::LParamX(lParam);
      d.lastMouse.y = internal::LParamY(lParam);
      CControlUI* newHover = FindControl(d.lastMouse);
      if (newHover != d.hover) {
        d.HideTooltip();
        CControlUI* old = d.hover;
        d.hover = newHover;
        if (old) d.Event(old, UIEVENT_MOUSELEAVE, wParam, lParam);
        if (newHover) d.Event(newHover, UIEVENT_MOUSEENTER, wParam, lParam);
      }
      if (d.eventClick)
        d.Event(d.eventClick, UIEVENT_MOUSEMOVE, wParam, lParam);
      else if (newHover)
        d.Event(newHover, UIEVENT_MOUSEMOVE, wParam, lParam);
      break;
    }

    case WM_MOUSELEAVE:
      d.mouseTracking = false;
      d.HideTooltip();
      if (d.hover && !d.eventClick) {
        CControlUI* old = d.hover;
        d.hover = NULL;
        d.lastMouse.x = d.lastMouse.y = -1;
        d.Event(old, UIEVENT_MOUSELEAVE, wParam, lParam);
      }
      break;

    case WM_MOUSEHOVER: {
      d.mouseTracking = false;
      POINT pt = {internal::LParamX(lParam), internal::LParamY(lParam)};
      CControlUI* control = FindControl(pt);
      if (!control || control->GetToolTip().IsEmpty() || d.eventClick) break;
      if (!d.tooltip) {
        internal::InitCommonControlsOnce();
        d.tooltip =
            ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, NULL,
                              WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, d.hWnd, NULL, GetInstance(), NULL);
        if (!d.tooltip) break;
        ::SetWindowPos(d.tooltip, HWND_TOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        TOOLINFOW ti = {};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        ti.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
        ti.hwnd = d.hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(d.hWnd);
        ti.lpszText = const_cast<LPWSTR>(L"");
        ::SendMessageW(d.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        ::SendMessageW(d.tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
      }
      wchar_t tipText[1024];
      wcsncpy_s(tipText, control->GetToolTip().GetData(), _TRUNCATE);
      TOOLINFOW ti = {};
      ti.cbSize = TTTOOLINFOW_V2_SIZE;
      ti.hwnd = d.hWnd;
      ti.uId = reinterpret_cast<UINT_PTR>(d.hWnd);
      ti.lpszText = tipText;
      ::SendMessageW(d.tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
      POINT screen = pt;
      ::ClientToScreen(d.hWnd, &screen);
      ::SendMessageW(d.tooltip, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x + 12, screen.y + 20));
      ::SendMessageW(d.tooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
      d.tooltipOwner = control;
      break;
    }

    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      d.HideTooltip();
      d.lastMouse.x = internal::LParamX(lParam);
      d.lastMouse.y = internal::LParamY(lParam);
      CControlUI* control = FindControl(d.lastMouse);
      if (!control || control->GetManager() != this) break;
      d.eventClick = control;
      SetCapture();
      // Buttons and other controls that take the keyboard get the focus; a click on a label
      // leaves it where it was.
      if (control->IsEnabled() && (control->GetControlFlags() & UIFLAG_TABSTOP))
        control->SetFocus();
      // The focus change may have removed the control.
      if (d.eventClick != control) break;
      d.Event(control, uMsg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, wParam,
              lParam);
      break;
    }

    case WM_LBUTTONUP: {
      d.lastMouse.x = internal::LParamX(lParam);
      d.lastMouse.y = internal::LParamY(lParam);
      CControlUI* control = d.eventClick;
      d.eventClick = NULL;
      ReleaseCapture();
      // The button decides whether the release counts as a click (over itself, enabled).
      // Anything the click starts, modal windows included, runs with the press finished.
      if (control) d.Event(control, UIEVENT_BUTTONUP, wParam, lParam);
      break;
    }

    case WM_CAPTURECHANGED:
      if (d.eventClick && reinterpret_cast<HWND>(lParam) != d.hWnd) {
        // The press was taken away (a menu, another window): end it without a click.
        CControlUI* control = d.eventClick;
        d.eventClick = NULL;
        const POINT saved = d.lastMouse;
        d.lastMouse.x = d.lastMouse.y = -32768;
        d.Event(control, UIEVENT_BUTTONUP, 0, 0);
        d.lastMouse = saved;
      }
      break;

    case WM_RBUTTONDOWN: {
      POINT pt = {internal::LParamX(lParam), internal::LParamY(lParam)};
      d.lastMouse = pt;
      if (CControlUI* control = FindControl(pt))
        d.Event(control, UIEVENT_RBUTTONDOWN, wParam, lParam);
      break;
    }

    case WM_CONTEXTMENU: {
      POINT pt = {internal::LParamX(lParam), internal::LParamY(lParam)};
      ::ScreenToClient(d.hWnd, &pt);
      if (CControlUI* control = FindControl(pt))
        d.Event(control, UIEVENT_CONTEXTMENU, wParam, reinterpret_cast<LPARAM>(control));
      break;
    }

    case WM_MOUSEWHEEL: {
      POINT pt = {internal::LParamX(lParam), internal::LParamY(lParam)};
      ::ScreenToClient(d.hWnd, &pt);
      d.lastMouse = pt;
      if (CControlUI* control = FindControl(pt))
        d.Event(control, UIEVENT_SCROLLWHEEL, wParam, lParam);
      break;
    }

    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) break;  // borders and caption: the system's cursors
      // Over a child window (a hosted browser) the child's own cursor applies.
      if (reinterpret_cast<HWND>(wParam) != d.hWnd) break;
      POINT pt = {};
      ::GetCursorPos(&pt);
      ::ScreenToClient(d.hWnd, &pt);
      CControlUI* control = FindControl(pt);
      if (control && (control->GetControlFlags() & UIFLAG_SETCURSOR) && control->IsEnabled()) {
        d.lastMouse = pt;
        d.Event(control, UIEVENT_SETCURSOR, wParam, lParam);
      } else {
        ::SetCursor(::LoadCursorW(NULL, IDC_ARROW));
      }
      lRes = TRUE;
      return true;
    }

    case WM_KEYDOWN:
      if (d.focus) d.Event(d.focus, UIEVENT_KEYDOWN, wParam, lParam);
      break;
    case WM_KEYUP:
      if (d.focus) d.Event(d.focus, UIEVENT_KEYUP, wParam, lParam);
      break;
    case WM_CHAR:
      if (d.focus) d.Event(d.focus, UIEVENT_CHAR, wParam, lParam);
      break;

    case WM_KILLFOCUS:
      // The window lost the keyboard: a press in progress ends without a click.
      break;

    case WM_DESTROY:
      d.HideTooltip();
      d.eventClick = d.hover = NULL;
      break;

    default:
      break;
  }
  return false;
}

void CPaintManagerUI::MessageLoop() {
  MSG msg;
  while (internal::LiveWindows() > 0) {
    const BOOL got = ::GetMessageW(&msg, NULL, 0, 0);
    if (got == 0) break;  // WM_QUIT
    if (got < 0) break;
    if (!TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

bool CPaintManagerUI::TranslateMessage(const LPMSG pMsg) {
  if (!pMsg || !pMsg->hwnd) return false;
  const bool key = pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST;
  // The managers whose window is the message's window or one of its ancestors.
  std::vector<CPaintManagerUI*> managers;
  {
    std::lock_guard<std::mutex> guard(g_managersLock);
    managers = Managers();
  }
  for (HWND hWnd = pMsg->hwnd; hWnd != NULL; hWnd = ::GetParent(hWnd)) {
    for (CPaintManagerUI* m : managers) {
      if (m->GetPaintWindow() != hWnd) continue;
      {
        // The list may have changed while earlier handlers ran.
        std::lock_guard<std::mutex> guard(g_managersLock);
        const std::vector<CPaintManagerUI*>& now = Managers();
        if (std::find(now.begin(), now.end(), m) == now.end()) continue;
      }
      if (key && m->TranslateAccelerator(pMsg)) return true;
      LRESULT lRes = 0;
      if (m->PreMessageHandler(pMsg->message, pMsg->wParam, pMsg->lParam, lRes)) return true;
    }
    if (!(::GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD)) break;
  }
  return false;
}

void CPaintManagerUI::Term() {
  std::lock_guard<std::mutex> guard(g_managersLock);
  Managers().clear();
}

}  // namespace DuiLib

#include "Internal.h"

#include "SkinTree.h"
#include "XmlDoc.h"

#include <memory>

namespace DuiLib {

using internal::Is;

namespace {

CDuiString Str(const Utf16String& s) { return CDuiString(s.c_str(), static_cast<int>(s.size())); }

LPCTSTR AttrOr(const Skin::SkinElement& e, const wchar_t* name, LPCTSTR fallback) {
  const Utf16String* v = e.Find(name);
  return v ? v->c_str() : fallback;
}

// The library's own controls, by the element names that skins use.
CControlUI* CreateBuiltIn(LPCTSTR tag) {
  if (Is(tag, DUI_CTR_CONTROL)) return new CControlUI;
  if (Is(tag, DUI_CTR_VERTICALLAYOUT)) return new CVerticalLayoutUI;
  if (Is(tag, DUI_CTR_HORIZONTALLAYOUT)) return new CHorizontalLayoutUI;
  if (Is(tag, DUI_CTR_LABEL)) return new CLabelUI;
  if (Is(tag, DUI_CTR_TEXT)) return new CTextUI;
  if (Is(tag, DUI_CTR_BUTTON)) return new CButtonUI;
  if (Is(tag, DUI_CTR_OPTION)) return new COptionUI;
  if (Is(tag, DUI_CTR_PROGRESS)) return new CProgressUI;
  if (Is(tag, DUI_CTR_WEBBROWSER)) return new CWebBrowserUI;
  return NULL;
}

bool IsAbsolutePath(LPCTSTR path) {
  return path[0] && (path[1] == L':' || (path[0] == L'\\' && path[1] == L'\\'));
}

// Builds a control and its children; null (and *error set) on the first problem.
CControlUI* BuildControl(const Skin::SkinElement& e, IDialogBuilderCallback* callback,
                         CDuiString* error) {
  LPCTSTR tag = e.tag.c_str();
  CControlUI* made = CreateBuiltIn(tag);
  if (!made && callback) made = callback->CreateControl(tag);
  if (!made) {
    error->Format(L"未知的控件类型 <%s>", tag);
    return NULL;
  }
  std::unique_ptr<CControlUI> control(made);
  for (const auto& a : e.attributes) control->SetAttribute(a.first.c_str(), a.second.c_str());
  if (e.children.empty()) return control.release();
  IContainerUI* box = static_cast<IContainerUI*>(control->GetInterface(DUI_CTR_ICONTAINER));
  if (!box) {
    error->Format(L"控件 <%s> 不能包含其他控件", tag);
    return NULL;
  }
  for (const Skin::SkinElement& child : e.children) {
    CControlUI* c = BuildControl(child, callback, error);
    if (!c) return NULL;
    box->Add(c);
  }
  return control.release();
}

// The window's own settings and its fonts.
void ApplyWindowSettings(const Skin::SkinElement& window, CPaintManagerUI* manager) {
  using namespace internal;
  const SIZE size = ParseSize(AttrOr(window, L"size", L""));
  manager->SetInitSize(size.cx, size.cy);
  RECT caption = ParseRect(AttrOr(window, L"caption", L""));
  manager->SetCaptionRect(caption);
  RECT sizeBox = ParseRect(AttrOr(window, L"sizebox", L""));
  manager->SetSizeBox(sizeBox);
  const SIZE minInfo = ParseSize(AttrOr(window, L"mininfo", L""));
  manager->SetMinInfo(minInfo.cx, minInfo.cy);
  const SIZE maxInfo = ParseSize(AttrOr(window, L"maxinfo", L""));
  manager->SetMaxInfo(maxInfo.cx, maxInfo.cy);
  for (const Skin::SkinElement& e : window.children) {
    if (!Is(e.tag.c_str(), L"Font")) continue;
    LPCTSTR name = AttrOr(e, L"name", L"微软雅黑");
    const int size = ParseInt(AttrOr(e, L"size", L"12"));
    const bool bold = IsTrue(AttrOr(e, L"bold", L"false"));
    const bool underline = IsTrue(AttrOr(e, L"underline", L"false"));
    const bool italic = IsTrue(AttrOr(e, L"italic", L"false"));
    manager->AddFont(ParseInt(AttrOr(e, L"id", L"0")), name, size, bold, underline, italic);
    if (IsTrue(AttrOr(e, L"default", L"false"))) {
      manager->SetDefaultFont(name, size, bold, underline, italic);
    }
  }
}

}  // namespace

CDialogBuilder::CDialogBuilder() {}
CDialogBuilder::~CDialogBuilder() {}

CControlUI* CDialogBuilder::Create(LPCTSTR xml, IDialogBuilderCallback* pCallback,
                                   CPaintManagerUI* pManager, CControlUI* pParent) {
  m_sError.Empty();
  m_sLocation.Empty();
  LPCTSTR text = xml ? xml : L"";
  while (*text == L' ' || *text == L'\t' || *text == L'\r' || *text == L'\n' || *text == 0xFEFF)
    ++text;
  CXmlDoc doc;
  if (*text == L'<') {
    m_sLocation = L"(skin text)";
    doc.SetDocText(text);
  } else {
    m_sLocation =
        IsAbsolutePath(text) ? CDuiString(text) : CPaintManagerUI::GetResourcePath() + text;
    const DWORD attributes = ::GetFileAttributesW(m_sLocation);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      m_sError = L"找不到界面文件";
      return NULL;
    }
    const quenda::unique_hfile file(::CreateFileW(m_sLocation, GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                                  OPEN_EXISTING, 0, NULL));
    if (!file) {
      m_sError = L"无法读取界面文件";
      return NULL;
    }
    // A document that is not well-formed is reported by ReadSkin with the reader's words.
    doc.LoadFile(m_sLocation);
  }
  Skin::SkinElement window;
  Utf16String why;
  if (!Skin::ReadSkin(doc, &window, &why)) {
    m_sError = L"界面文件格式错误：\n";
    m_sError += Str(why);
    return NULL;
  }
  if (pManager) ApplyWindowSettings(window, pManager);

  const Skin::SkinElement* rootElement = NULL;
  for (const Skin::SkinElement& e : window.children) {
    if (Is(e.tag.c_str(), L"Font")) continue;
    if (rootElement != NULL) {
      m_sError.Format(L"界面文件中有多个根控件（<%s> 和 <%s>）", rootElement->tag.c_str(),
                      e.tag.c_str());
      return NULL;
    }
    rootElement = &e;
  }
  if (!rootElement) {
    m_sError = L"界面文件中没有控件";
    return NULL;
  }
  CControlUI* root = BuildControl(*rootElement, pCallback, &m_sError);
  if (!root || !pParent) return root;
  IContainerUI* box = static_cast<IContainerUI*>(pParent->GetInterface(DUI_CTR_ICONTAINER));
  if (!box) {
    delete root;
    m_sError = L"父控件不能包含其他控件";
    return NULL;
  }
  box->Add(root);
  return root;
}

CDuiString CDialogBuilder::GetLastErrorMessage() const { return m_sError; }
CDuiString CDialogBuilder::GetLastErrorLocation() const { return m_sLocation; }

}  // namespace DuiLib

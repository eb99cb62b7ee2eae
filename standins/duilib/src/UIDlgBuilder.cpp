#include "Internal.h"

#include "SkinTree.h"
#include "XmlDoc.h"

#include <memory>

namespace DuiLib {

using internal::Is;

struct CDialogBuilder::Impl {
  Skin::SkinElement window;
  bool loaded = false;
  CDuiString error;
  CDuiString location;

  bool Fail(LPCTSTR message) {
    error = message;
    return false;
  }
};

namespace {

CDuiString Str(const Utf16String& s) { return CDuiString(s.c_str(), static_cast<int>(s.size())); }

const Utf16String* Attr(const Skin::SkinElement& e, const wchar_t* name) { return e.Find(name); }

LPCTSTR AttrOr(const Skin::SkinElement& e, const wchar_t* name, LPCTSTR fallback) {
  const Utf16String* v = e.Find(name);
  return v ? v->c_str() : fallback;
}

// The library's own controls, by the element names that skins use.
CControlUI* CreateBuiltIn(LPCTSTR tag) {
  if (Is(tag, DUI_CTR_CONTROL)) return new CControlUI;
  if (Is(tag, DUI_CTR_CONTAINER)) return new CContainerUI;
  if (Is(tag, DUI_CTR_VERTICALLAYOUT)) return new CVerticalLayoutUI;
  if (Is(tag, DUI_CTR_HORIZONTALLAYOUT)) return new CHorizontalLayoutUI;
  if (Is(tag, DUI_CTR_LABEL)) return new CLabelUI;
  if (Is(tag, DUI_CTR_TEXT)) return new CTextUI;
  if (Is(tag, DUI_CTR_BUTTON)) return new CButtonUI;
  if (Is(tag, DUI_CTR_OPTION)) return new COptionUI;
  if (Is(tag, DUI_CTR_PROGRESS)) return new CProgressUI;
  if (Is(tag, DUI_CTR_ACTIVEX)) return new CActiveXUI;
  if (Is(tag, DUI_CTR_WEBBROWSER)) return new CWebBrowserUI;
  return NULL;
}

bool IsAbsolutePath(LPCTSTR path) {
  return path[0] && (path[1] == L':' || (path[0] == L'\\' && path[1] == L'\\'));
}

class TreeBuilder {
 public:
  TreeBuilder(IDialogBuilderCallback* callback, CPaintManagerUI* manager, CDuiString* error)
      : callback_(callback), manager_(manager), error_(error) {}

  // Builds a control and its children; null (and *error_ set) on the first problem.
  CControlUI* Build(const Skin::SkinElement& e) {
    LPCTSTR tag = e.tag.c_str();
    CControlUI* made = CreateBuiltIn(tag);
    if (!made && callback_) made = callback_->CreateControl(tag);
    if (!made) {
      error_->Format(L"未知的控件类型 <%s>", tag);
      return NULL;
    }
    std::unique_ptr<CControlUI> control(made);
    if (manager_) {
      if (LPCTSTR defaults = manager_->GetDefaultAttributeList(tag)) {
        control->ApplyAttributeList(defaults);
      }
    }
    for (const auto& a : e.attributes) control->SetAttribute(a.first.c_str(), a.second.c_str());
    if (!e.children.empty()) {
      IContainerUI* box = static_cast<IContainerUI*>(control->GetInterface(DUI_CTR_ICONTAINER));
      if (!box) {
        error_->Format(L"控件 <%s> 不能包含其他控件", tag);
        return NULL;
      }
      for (const Skin::SkinElement& child : e.children) {
        CControlUI* c = Build(child);
        if (!c) return NULL;
        box->Add(c);
      }
    }
    return control.release();
  }

 private:
  IDialogBuilderCallback* callback_;
  CPaintManagerUI* manager_;
  CDuiString* error_;
};

}  // namespace

CDialogBuilder::CDialogBuilder() : m_pImpl(new Impl) {}
CDialogBuilder::~CDialogBuilder() { delete m_pImpl; }

CControlUI* CDialogBuilder::Create(STRINGorID xml, LPCTSTR type, IDialogBuilderCallback* pCallback,
                                   CPaintManagerUI* pManager, CControlUI* pParent) {
  (void)type;
  Impl& d = *m_pImpl;
  d.loaded = false;
  d.error.Empty();
  d.location.Empty();
  d.window = Skin::SkinElement();
  if (xml.m_lpstr == NULL || IS_INTRESOURCE(xml.m_lpstr)) {
    d.Fail(L"不支持从资源中读取界面文件");
    return NULL;
  }
  LPCTSTR text = xml.m_lpstr;
  while (*text == L' ' || *text == L'\t' || *text == L'\r' || *text == L'\n' || *text == 0xFEFF)
    ++text;
  CXmlDoc doc;
  if (*text == L'<') {
    d.location = L"(skin text)";
    doc.SetDocText(text);
  } else {
    CDuiString path = xml.m_lpstr;
    if (!IsAbsolutePath(path)) path = CPaintManagerUI::GetResourcePath() + path;
    d.location = path;
    const DWORD attributes = ::GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      d.Fail(L"找不到界面文件");
      return NULL;
    }
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
      d.Fail(L"无法读取界面文件");
      return NULL;
    }
    ::CloseHandle(file);
    // A document that is not well-formed is reported by ReadSkin with the reader's words.
    doc.LoadFile(path);
  }
  Utf16String why;
  if (!Skin::ReadSkin(doc, &d.window, &why)) {
    d.error = L"界面文件格式错误：\n";
    d.error += Str(why);
    return NULL;
  }
  d.loaded = true;
  return Create(pCallback, pManager, pParent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager,
                                   CControlUI* pParent) {
  Impl& d = *m_pImpl;
  if (!d.loaded) {
    if (d.error.IsEmpty()) d.Fail(L"没有读入界面文件");
    return NULL;
  }
  d.error.Empty();
  const Skin::SkinElement& window = d.window;

  // The window's own settings, then fonts and default attributes, then the controls.
  if (pManager) {
    if (const Utf16String* v = Attr(window, L"size")) {
      const SIZE sz = internal::ParseSize(v->c_str());
      pManager->SetInitSize(sz.cx, sz.cy);
    }
    if (const Utf16String* v = Attr(window, L"caption")) {
      RECT rc = internal::ParseRect(v->c_str());
      pManager->SetCaptionRect(rc);
    }
    if (const Utf16String* v = Attr(window, L"sizebox")) {
      RECT rc = internal::ParseRect(v->c_str());
      pManager->SetSizeBox(rc);
    }
    if (const Utf16String* v = Attr(window, L"roundcorner")) {
      const SIZE sz = internal::ParseSize(v->c_str());
      pManager->SetRoundCorner(sz.cx, sz.cy);
    }
    if (const Utf16String* v = Attr(window, L"mininfo")) {
      const SIZE sz = internal::ParseSize(v->c_str());
      pManager->SetMinInfo(sz.cx, sz.cy);
    }
    if (const Utf16String* v = Attr(window, L"maxinfo")) {
      const SIZE sz = internal::ParseSize(v->c_str());
      pManager->SetMaxInfo(sz.cx, sz.cy);
    }
  }

  const Skin::SkinElement* rootElement = NULL;
  for (const Skin::SkinElement& e : window.children) {
    LPCTSTR tag = e.tag.c_str();
    if (Is(tag, L"Font")) {
      if (!pManager) continue;
      const int id = internal::ParseInt(AttrOr(e, L"id", L"0"));
      LPCTSTR name = AttrOr(e, L"name", L"微软雅黑");
      const int size = internal::ParseInt(AttrOr(e, L"size", L"12"));
      const bool bold = internal::IsTrue(AttrOr(e, L"bold", L"false"));
      const bool underline = internal::IsTrue(AttrOr(e, L"underline", L"false"));
      const bool italic = internal::IsTrue(AttrOr(e, L"italic", L"false"));
      pManager->AddFont(id, name, size, bold, underline, italic);
      if (internal::IsTrue(AttrOr(e, L"default", L"false"))) {
        pManager->SetDefaultFont(name, size, bold, underline, italic);
      }
    } else if (Is(tag, L"Default")) {
      const Utf16String* name = Attr(e, L"name");
      const Utf16String* value = Attr(e, L"value");
      if (pManager && name && value)
        pManager->AddDefaultAttributeList(name->c_str(), value->c_str());
    } else if (Is(tag, L"Image")) {
      // Images are loaded when first drawn; nothing to do ahead.
    } else if (rootElement == NULL) {
      rootElement = &e;
    } else {
      d.error.Format(L"界面文件中有多个根控件（<%s> 和 <%s>）", rootElement->tag.c_str(), tag);
      return NULL;
    }
  }
  if (!rootElement) {
    d.Fail(L"界面文件中没有控件");
    return NULL;
  }

  TreeBuilder builder(pCallback, pManager, &d.error);
  CControlUI* root = builder.Build(*rootElement);
  if (!root) return NULL;
  if (pParent) {
    IContainerUI* box = static_cast<IContainerUI*>(pParent->GetInterface(DUI_CTR_ICONTAINER));
    if (!box) {
      delete root;
      d.Fail(L"父控件不能包含其他控件");
      return NULL;
    }
    box->Add(root);
  }
  return root;
}

CDuiString CDialogBuilder::GetLastErrorMessage() const { return m_pImpl->error; }
CDuiString CDialogBuilder::GetLastErrorLocation() const { return m_pImpl->location; }

void CDialogBuilder::GetLastErrorMessage(LPTSTR pstrMessage, SIZE_T cchMax) const {
  if (pstrMessage && cchMax) wcsncpy_s(pstrMessage, cchMax, m_pImpl->error, _TRUNCATE);
}

void CDialogBuilder::GetLastErrorLocation(LPTSTR pstrSource, SIZE_T cchMax) const {
  if (pstrSource && cchMax) wcsncpy_s(pstrSource, cchMax, m_pImpl->location, _TRUNCATE);
}

}  // namespace DuiLib

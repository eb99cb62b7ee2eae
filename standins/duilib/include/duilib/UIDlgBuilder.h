// Builds a control tree from a skin file (or skin text) and applies the skin's window
// settings, fonts and default attribute lists to the paint manager.
#pragma once

#include "UIControl.h"

namespace DuiLib {

class UILIB_API CDialogBuilder {
 public:
  CDialogBuilder();
  ~CDialogBuilder();

  // xml: a file name (below the resource path unless absolute) or skin text starting with
  // '<'. Returns the root control, or null with the reason in GetLastErrorMessage.
  CControlUI* Create(STRINGorID xml, LPCTSTR type = NULL, IDialogBuilderCallback* pCallback = NULL,
                     CPaintManagerUI* pManager = NULL, CControlUI* pParent = NULL);
  // Builds again from the skin read by the last Create.
  CControlUI* Create(IDialogBuilderCallback* pCallback = NULL, CPaintManagerUI* pManager = NULL,
                     CControlUI* pParent = NULL);

  // Why the last Create failed ("" after a success), and the file it was reading.
  CDuiString GetLastErrorMessage() const;
  CDuiString GetLastErrorLocation() const;
  void GetLastErrorMessage(LPTSTR pstrMessage, SIZE_T cchMax) const;
  void GetLastErrorLocation(LPTSTR pstrSource, SIZE_T cchMax) const;

 private:
  CDialogBuilder(const CDialogBuilder&) = delete;
  CDialogBuilder& operator=(const CDialogBuilder&) = delete;

  struct Impl;
  Impl* m_pImpl;
};

}  // namespace DuiLib

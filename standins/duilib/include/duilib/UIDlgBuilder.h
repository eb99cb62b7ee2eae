// Builds a control tree from a skin file (or skin text) and applies the skin's window
// settings and fonts to the paint manager.
#pragma once

#include "UIControl.h"

namespace DuiLib {

class UILIB_API CDialogBuilder {
 public:
  CDialogBuilder();
  ~CDialogBuilder();

  // xml: a file name (below the resource path unless absolute) or skin text starting with
  // '<'. Returns the root control, or null with the reason in GetLastErrorMessage.
  CControlUI* Create(LPCTSTR xml, IDialogBuilderCallback* pCallback = NULL,
                     CPaintManagerUI* pManager = NULL, CControlUI* pParent = NULL);

  // Why the last Create failed ("" after a success), and the file it was reading.
  CDuiString GetLastErrorMessage() const;
  CDuiString GetLastErrorLocation() const;

 private:
  CDialogBuilder(const CDialogBuilder&) = delete;
  CDialogBuilder& operator=(const CDialogBuilder&) = delete;

  CDuiString m_sError;
  CDuiString m_sLocation;
};

}  // namespace DuiLib

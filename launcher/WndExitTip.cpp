#include "WndExitTip.h"

#include "ThisLauncher.h"

using namespace DuiLib;

CWndExitTip::CWndExitTip() : m_pTitle(NULL) {}

CWndExitTip::~CWndExitTip() {}

LPCTSTR CWndExitTip::GetWindowClassName() const { return L"ExitTipWnd"; }

UINT CWndExitTip::GetClassStyle() const { return CS_DBLCLKS; }

CDuiString CWndExitTip::GetSkinFolder() { return L"skin\\"; }

CDuiString CWndExitTip::GetSkinFile() { return ThisLauncher().exitSkin; }

void CWndExitTip::InitWindow() {
  const LauncherBuild& build = ThisLauncher();
  if (build.exitTitleLabel == NULL) return;
  m_pTitle = m_PaintManager.FindControl(build.exitTitleLabel);
  // A skin without the title control still asks its question.
  if (m_pTitle) m_pTitle->SetText(launcher::kExitTitleMarkup);
}

void CWndExitTip::Notify(TNotifyUI& msg) {
  if (msg.sType != DUI_MSGTYPE_CLICK || msg.pSender == NULL) return;
  const CDuiString name = msg.pSender->GetName();
  if (name == ThisLauncher().exitCloseButton || name == L"btn_cancel") {
    Close(launcher::kExitCancelled);
  } else if (name == L"btn_confirm") {
    Close(launcher::kExitConfirmed);
  }
}

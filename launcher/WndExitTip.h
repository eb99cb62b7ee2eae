// CWndExitTip: the small modal window that asks the user to confirm leaving the game. It only
// maps its buttons to a result: 1 confirmed, 2 cancelled.
#pragma once

#include <UIlib.h>

class CWndExitTip : public DuiLib::WindowImplBase {
 public:
  CWndExitTip();
  ~CWndExitTip() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

 protected:
  LPCTSTR GetWindowClassName() const override;
  UINT GetClassStyle() const override;
  DuiLib::CDuiString GetSkinFolder() override;
  DuiLib::CDuiString GetSkinFile() override;

 private:
  DuiLib::CControlUI* m_pTitle;  // pellam's "BtnExit", owned by the control tree
};

// The base of the programs' skinned windows. A derived window names its window class, skin
// folder and skin file, finds its controls in InitWindow and reacts to notifications in
// Notify; everything else (creating the controls, layout and painting, caption dragging, the
// size box, hit testing, maximising on a caption double-click, closing) is done here.
#pragma once

#include "UIBase.h"
#include "UIManager.h"

namespace DuiLib {

class UILIB_API WindowImplBase : public CWindowWnd,
                                 public INotifyUI,
                                 public IMessageFilterUI,
                                 public IDialogBuilderCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  // Runs once the skin is built, while the window is being created.
  virtual void InitWindow();
  void OnFinalMessage(HWND hWnd) override;
  // Receives the controls' notifications; the default passes clicks to OnClick.
  void Notify(TNotifyUI& msg) override;
  // Default clicks: "closebtn" closes, "minbtn", "maxbtn" and "restorebtn" minimise, maximise
  // and restore the window.
  virtual void OnClick(TNotifyUI& msg);

 protected:
  virtual CDuiString GetSkinFolder() = 0;
  virtual CDuiString GetSkinFile() = 0;
  LPCTSTR GetWindowClassName(void) const override = 0;
  virtual LRESULT ResponseDefaultKeyEvent(WPARAM wParam);

  CPaintManagerUI m_PaintManager;

 public:
  UINT GetClassStyle() const override;
  // Only UILIB_FILE is read by this build: skin folder + skin file below the resource path.
  virtual UILIB_RESOURCETYPE GetResourceType() const;
  CControlUI* CreateControl(LPCTSTR pstrClass) override;
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnNcCalcSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnNcPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnMouseHover(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  // The program's own messages (and any the base leaves): set bHandled to keep them.
  virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LONG GetStyle();
};

}  // namespace DuiLib

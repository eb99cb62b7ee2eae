// Basic definitions of the skin library: export macro, control and notification names, event
// records and the flags shared by the manager and the controls.
#pragma once

#if !defined(UNICODE) || !defined(_UNICODE)
#error "DuiLib is a Unicode library: build with UNICODE and _UNICODE defined"
#endif

#include <windows.h>
#include <tchar.h>

#if defined(UILIB_STATIC)
#define UILIB_API
#elif defined(UILIB_EXPORTS)
#define UILIB_API __declspec(dllexport)
#else
#define UILIB_API __declspec(dllimport)
#endif

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

// Control names: the skin elements that make each control, and the names that
// CControlUI::GetInterface answers to.
#define DUI_CTR_CONTROL _T("Control")
#define DUI_CTR_VERTICALLAYOUT _T("VerticalLayout")
#define DUI_CTR_HORIZONTALLAYOUT _T("HorizontalLayout")
#define DUI_CTR_LABEL _T("Label")
#define DUI_CTR_TEXT _T("Text")
#define DUI_CTR_BUTTON _T("Button")
#define DUI_CTR_OPTION _T("Option")
#define DUI_CTR_PROGRESS _T("Progress")
#define DUI_CTR_WEBBROWSER _T("WebBrowser")
// Interface names only (no skin element makes these).
#define DUI_CTR_CONTAINER _T("Container")
#define DUI_CTR_ICONTAINER _T("IContainer")
#define DUI_CTR_ACTIVEX _T("ActiveX")

// Notification types (TNotifyUI::sType).
#define DUI_MSGTYPE_WINDOWINIT _T("windowinit")
#define DUI_MSGTYPE_CLICK _T("click")
#define DUI_MSGTYPE_SELECTCHANGED _T("selectchanged")

// Control events, passed to CControlUI::DoEvent.
enum EVENTTYPE_UI {
  UIEVENT_KEYDOWN = 1,
  UIEVENT_MOUSEMOVE,
  UIEVENT_MOUSELEAVE,
  UIEVENT_MOUSEENTER,
  UIEVENT_BUTTONDOWN,
  UIEVENT_BUTTONUP,
  UIEVENT_DBLCLICK,
  UIEVENT_CONTEXTMENU,
  UIEVENT_KILLFOCUS,
  UIEVENT_SETFOCUS,
  UIEVENT_SETCURSOR,
};

// Flags for CControlUI::FindControl.
#define UIFIND_ALL 0x00000000
#define UIFIND_VISIBLE 0x00000001
#define UIFIND_HITTEST 0x00000004
#define UIFIND_TOP_FIRST 0x00000008
#define UIFIND_ME_FIRST 0x80000000

// Flags for CControlUI::GetControlFlags.
#define UIFLAG_TABSTOP 0x00000001
#define UIFLAG_SETCURSOR 0x00000002

// Button and option states.
#define UISTATE_SELECTED 0x00000002
#define UISTATE_HOT 0x00000008
#define UISTATE_PUSHED 0x00000010
#define UISTATE_CAPTURED 0x00000040

// Where a skin comes from (WindowImplBase::GetResourceType). Only files are read by this build.
enum UILIB_RESOURCETYPE {
  UILIB_FILE = 1,
  UILIB_ZIP,
  UILIB_RESOURCE,
  UILIB_ZIPRESOURCE,
};

// An event delivered to a control.
struct TEventUI {
  int Type;
  CControlUI* pSender;
  DWORD dwTimestamp;
  POINT ptMouse;
  WORD wKeyState;
  WPARAM wParam;
  LPARAM lParam;
};

// Callback of CControlUI::FindControl: returns the control when it matches, else null.
typedef CControlUI*(CALLBACK* FINDCONTROLPROC)(CControlUI*, LPVOID);

}  // namespace DuiLib

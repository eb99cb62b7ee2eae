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

// Control class names as they appear in skin files.
#define DUI_CTR_CONTROL _T("Control")
#define DUI_CTR_CONTAINER _T("Container")
#define DUI_CTR_VERTICALLAYOUT _T("VerticalLayout")
#define DUI_CTR_HORIZONTALLAYOUT _T("HorizontalLayout")
#define DUI_CTR_LABEL _T("Label")
#define DUI_CTR_TEXT _T("Text")
#define DUI_CTR_BUTTON _T("Button")
#define DUI_CTR_OPTION _T("Option")
#define DUI_CTR_PROGRESS _T("Progress")
#define DUI_CTR_ACTIVEX _T("ActiveX")
#define DUI_CTR_WEBBROWSER _T("WebBrowser")

// Interface names for CControlUI::GetInterface.
#define DUI_CTR_ICONTAINER _T("IContainer")

// Notification types (TNotifyUI::sType).
#define DUI_MSGTYPE_WINDOWINIT _T("windowinit")
#define DUI_MSGTYPE_CLICK _T("click")
#define DUI_MSGTYPE_SELECTCHANGED _T("selectchanged")
#define DUI_MSGTYPE_SETFOCUS _T("setfocus")
#define DUI_MSGTYPE_KILLFOCUS _T("killfocus")
#define DUI_MSGTYPE_MOUSEENTER _T("mouseenter")
#define DUI_MSGTYPE_MOUSELEAVE _T("mouseleave")
#define DUI_MSGTYPE_VALUECHANGED _T("valuechanged")
#define DUI_MSGTYPE_SHOWACTIVEX _T("showactivex")

// Control events, passed to CControlUI::DoEvent.
enum EVENTTYPE_UI {
  UIEVENT__FIRST = 1,
  UIEVENT__KEYBEGIN,
  UIEVENT_KEYDOWN,
  UIEVENT_KEYUP,
  UIEVENT_CHAR,
  UIEVENT_SYSKEY,
  UIEVENT__KEYEND,
  UIEVENT__MOUSEBEGIN,
  UIEVENT_MOUSEMOVE,
  UIEVENT_MOUSELEAVE,
  UIEVENT_MOUSEENTER,
  UIEVENT_MOUSEHOVER,
  UIEVENT_BUTTONDOWN,
  UIEVENT_BUTTONUP,
  UIEVENT_RBUTTONDOWN,
  UIEVENT_DBLCLICK,
  UIEVENT_CONTEXTMENU,
  UIEVENT_SCROLLWHEEL,
  UIEVENT__MOUSEEND,
  UIEVENT_KILLFOCUS,
  UIEVENT_SETFOCUS,
  UIEVENT_WINDOWSIZE,
  UIEVENT_SETCURSOR,
  UIEVENT_TIMER,
  UIEVENT_NOTIFY,
  UIEVENT_COMMAND,
  UIEVENT__LAST,
};

// Flags for CControlUI::FindControl.
#define UIFIND_ALL 0x00000000
#define UIFIND_VISIBLE 0x00000001
#define UIFIND_ENABLED 0x00000002
#define UIFIND_HITTEST 0x00000004
#define UIFIND_TOP_FIRST 0x00000008
#define UIFIND_ME_FIRST 0x80000000

// Flags for CControlUI::GetControlFlags.
#define UIFLAG_TABSTOP 0x00000001
#define UIFLAG_SETCURSOR 0x00000002
#define UIFLAG_WANTRETURN 0x00000004

// Button and option states.
#define UISTATE_FOCUSED 0x00000001
#define UISTATE_SELECTED 0x00000002
#define UISTATE_DISABLED 0x00000004
#define UISTATE_HOT 0x00000008
#define UISTATE_PUSHED 0x00000010
#define UISTATE_READONLY 0x00000020
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
  TCHAR chKey;
  WORD wKeyState;
  WPARAM wParam;
  LPARAM lParam;
};

// Callback of CControlUI::FindControl: returns the control when it matches, else null.
typedef CControlUI*(CALLBACK* FINDCONTROLPROC)(CControlUI*, LPVOID);

}  // namespace DuiLib

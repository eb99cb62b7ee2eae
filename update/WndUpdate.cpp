#include "WndUpdate.h"

#include <cstdint>

#include "UpdateCore.h"
#include "UpdateSettings.h"

using namespace DuiLib;

namespace {

const wchar_t kCancelQuestion[] = L"您正在软件更新过程中，确定要取消软件更新吗？";

Utf16String ToUtf16(const CDuiString& s) { return Utf16String(s.GetData(), s.GetLength()); }

}  // namespace

CWndUpdate::CWndUpdate() {}

// The members go before the base: the worker (with its downloader and thread) ends while the
// window it posts to still exists.
CWndUpdate::~CWndUpdate() {}

LPCTSTR CWndUpdate::GetWindowClassName() const { return _T("UpdateWnd"); }
UINT CWndUpdate::GetClassStyle() const { return CS_DBLCLKS; }
CDuiString CWndUpdate::GetSkinFolder() { return _T("skin\\"); }
CDuiString CWndUpdate::GetSkinFile() { return _T("WndUpdate.xml"); }

void CWndUpdate::InitWindow() {
  // The download begins before any control is touched.
  worker.Start();

  CDuiString tip;
  tip.Format(_T("{b}%s{/b}"), updateSettings.caption.GetData());
  tipLabel = m_PaintManager.FindControl(_T("updateTip"));
  if (tipLabel) tipLabel->SetText(tip);

  progress = static_cast<CProgressUI*>(m_PaintManager.FindControl(_T("updatplan")));
  if (progress) progress->SetValue(0);

  planLabel = m_PaintManager.FindControl(_T("updatecontent"));
  const Utf16String plan = FormatPlan(ToUtf16(updateSettings.planText));
  if (planLabel) planLabel->SetText(plan.c_str());
}

void CWndUpdate::SplitText(const CDuiString& text, wchar_t delimiter,
                           std::vector<CDuiString>& list) {
  std::vector<Utf16String> pieces;
  ::SplitText(ToUtf16(text), delimiter, &pieces);
  for (const Utf16String& piece : pieces) {
    list.push_back(CDuiString(piece.c_str(), static_cast<int>(piece.size())));
  }
}

void CWndUpdate::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_WINDOWINIT) return;
  if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender) OnClickControl(msg.pSender->GetName());
}

void CWndUpdate::OnClickControl(const CDuiString& name) {
  if (name == _T("closebtn") || name == _T("btn_confirm")) {
    if (MessageBoxW(m_hWnd, kCancelQuestion, updateSettings.caption.GetData(), MB_YESNO) == IDYES) {
      StopWorker();
      DeleteFileW(updateSettings.packagePath.GetData());
      PostQuitMessage(0);
    }
  } else if (name == _T("minbtn")) {
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  }
}

LRESULT CWndUpdate::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  bHandled = TRUE;
  switch (uMsg) {
    case WM_NCACTIVATE:
      return OnNcActivate(uMsg, wParam, lParam, bHandled);
    case WM_SYSCOMMAND:
      OnSysCommand(uMsg, wParam, lParam, bHandled);
      return 0;
    case WM_UPDATE_PROGRESS:
      OnUpdateProgress(wParam, lParam);
      return 0;
    case WM_UPDATE_FAILED:
      StopWorker();
      FailUpdate();
      return 0;
    default:
      bHandled = FALSE;
      return 0;
  }
}

LRESULT CWndUpdate::OnNcActivate(UINT, WPARAM wParam, LPARAM, BOOL&) { return wParam == 0 ? 1 : 0; }

LRESULT CWndUpdate::OnSysCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (wParam == SC_CLOSE) {
    PostQuitMessage(0);
    bHandled = TRUE;
  } else {
    bHandled = FALSE;
  }
  return 0;
}

void CWndUpdate::OnUpdateProgress(WPARAM wParam, LPARAM lParam) {
  const int32_t total = static_cast<int32_t>(wParam);
  const int32_t done = static_cast<int32_t>(lParam);
  if (progress) {
    progress->SetValue(ProgressBarValue(total, done));
    CDuiString text;
    text.Format(_T("{b}%d%%{/b}"), ProgressPercent(total, done));
    progress->SetText(text);
    progress->Invalidate();
  }
  if (total == done) {
    StopWorker();
    CompleteUpdate();
  }
}

void CWndUpdate::StopWorker() { StopWorkerThread(worker, worker.download); }

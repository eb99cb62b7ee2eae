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
    // Once the client is being ended and replaced there is nothing left to cancel.
    if (asking ||
        (phase != Phase::kDownloading && phase != Phase::kStaging && phase != Phase::kStalled)) {
      return;
    }
    asking = true;
    const int answer =
        MessageBoxW(m_hWnd, kCancelQuestion, updateSettings.caption.GetData(), MB_YESNO);
    asking = false;
    if (phase == Phase::kDone) return;  // quit while the question was open
    if (answer == IDYES) {
      phase = Phase::kDone;
      pending = Pending::kNone;
      StopWorker();
      finisher.StopAndWait();  // nothing staged stays, nothing installed
      DeleteFileW(updateSettings.packagePath.GetData());
      PostQuitMessage(0);
    } else {
      HandlePending();
    }
  } else if (name == _T("minbtn")) {
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  }
}

void CWndUpdate::HandlePending() {
  const Pending what = pending;
  pending = Pending::kNone;
  switch (what) {
    case Pending::kDownloaded:
      StopWorker();
      CompleteUpdate();
      break;
    case Pending::kDownloadFailed:
      StopWorker();
      phase = Phase::kDone;
      FailUpdate();
      break;
    case Pending::kStaged:
    case Pending::kStageFailed:
      OnStaged(what == Pending::kStaged);
      break;
    case Pending::kNone:
      break;
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
    case WM_CLOSE:
      // What "taskkill" without /f sends: the same as the system close, rather than a window
      // destroyed under an update that is still going on.
      OnCloseRequest();
      return 0;
    case WM_UPDATE_PROGRESS:
      OnUpdateProgress(wParam, lParam);
      return 0;
    case WM_UPDATE_FAILED:
      OnDownloadFailed();
      return 0;
    case WM_UPDATE_STAGED:
      OnStaged(wParam != 0);
      return 0;
    case WM_UPDATE_COMMITTED:
      OnCommitted(wParam != 0);
      return 0;
    default:
      bHandled = FALSE;
      return 0;
  }
}

LRESULT CWndUpdate::OnNcActivate(UINT, WPARAM wParam, LPARAM, BOOL&) { return wParam == 0 ? 1 : 0; }

LRESULT CWndUpdate::OnSysCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (wParam == SC_CLOSE) {
    OnCloseRequest();
    bHandled = TRUE;
  } else {
    bHandled = FALSE;
  }
  return 0;
}

void CWndUpdate::OnCloseRequest() {
  // The client is already ended and its files are being replaced: leaving now would leave
  // it ended for nothing. The update ends on its own in a moment, with its message.
  if (phase == Phase::kCommitting) return;
  if (phase == Phase::kStaging) finisher.Cancel();  // the staged files go, the package stays
  phase = Phase::kDone;
  PostQuitMessage(0);
}

void CWndUpdate::OnUpdateProgress(WPARAM wParam, LPARAM lParam) {
  if (phase != Phase::kDownloading || pending != Pending::kNone) return;
  const int32_t total = static_cast<int32_t>(wParam);
  const int32_t done = static_cast<int32_t>(lParam);
  if (progress) {
    progress->SetValue(ProgressBarValue(total, done));
    CDuiString text;
    text.Format(_T("{b}%d%%{/b}"), ProgressPercent(total, done));
    progress->SetText(text);
    progress->Invalidate();
  }
  if (total != done) return;
  if (asking) {
    pending = Pending::kDownloaded;  // the answer decides
    return;
  }
  StopWorker();
  CompleteUpdate();
}

void CWndUpdate::OnDownloadFailed() {
  if (phase != Phase::kDownloading || pending != Pending::kNone) return;
  if (asking) {
    pending = Pending::kDownloadFailed;
    return;
  }
  StopWorker();
  phase = Phase::kDone;
  FailUpdate();
}

void CWndUpdate::OnStaged(bool ok) {
  if (phase != Phase::kStaging) return;
  if (asking) {
    pending = ok ? Pending::kStaged : Pending::kStageFailed;
    return;
  }
  if (!ok) {
    // The installation and the running client were never touched.
    phase = Phase::kDone;
    FailUpdate();
    return;
  }
  phase = Phase::kCommitting;
  finisher.Proceed();
}

void CWndUpdate::OnCommitted(bool ok) {
  if (phase != Phase::kCommitting) return;
  phase = Phase::kDone;
  if (ok) {
    FinishUpdate();
  } else {
    FailUpdate();
  }
}

void CWndUpdate::StopWorker() { StopWorkerThread(worker, worker.download); }

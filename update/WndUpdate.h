// CWndUpdate: the updater's only window. It shows the title, the numbered plan and a progress
// bar with a percentage; it owns the two workers (the download, then staging and commit),
// starts the download once created, and turns the workers' messages into progress, the
// finishing steps or the failure path. The user may minimise it or cancel the update after a
// confirmation.
//
// The window goes through phases: downloading, staging (the package unpacked aside and
// checked while the client still runs), committing (the client ended and the files put in
// place), done. While the cancel question is open, what the workers report waits for the
// answer: Yes drops the update whatever arrived; No carries on with it. Reports that come
// after the update was finished, failed, cancelled or quit are ignored.
#pragma once

#include <UIlib.h>

#include <string>
#include <vector>

#include "ThreadFinish.h"
#include "ThreadUpdate.h"

class CWndUpdate : public DuiLib::WindowImplBase {
 public:
  CWndUpdate();
  // Ends the worker (and with it the downloader) before the window's base goes.
  ~CWndUpdate() override;

  // Post-creation hook: starts the worker, then fills the tip line, the bar and the plan.
  void InitWindow() override;
  // "click" notifications go to the click handler by the sender's name; the rest is ignored.
  void Notify(DuiLib::TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  // 1 when wParam is 0, 0 otherwise; the handled flag is left as it is.
  LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  // SC_CLOSE (exactly) quits at once; every other command is left to the default handling.
  LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

  // The forced stop of the worker and its downloader.
  void StopWorker();
  // Appends the pieces of `text` cut at `delimiter` to `list` (see UpdateCore.h).
  static void SplitText(const DuiLib::CDuiString& text, wchar_t delimiter,
                        std::vector<DuiLib::CDuiString>& list);

  // ---- Finishing an update (UpdateFinish.cpp) ----
  // After a complete download: stage the package and check it (the finishing worker), then
  // end the client and commit once it is staged; without a client name, stop here and leave
  // the window open.
  void CompleteUpdate();
  // Reports success and restarts the client: the success message, the client started, the
  // package deleted.
  void FinishUpdate();
  // The network-error message, the installer's download page, the package deleted, quit.
  void FailUpdate();
  // installedVersion from the config/version element of the version file at `path`; left as
  // it was when the file can't be read or lacks the element.
  static void ReadInstalledVersion(const std::wstring& path);
  static bool EnableDebugPrivilege();
  // Ends every process whose image name is exactly `imageName` and waits (bounded) until they
  // have gone; false only without a name.
  static bool EndProcesses(const wchar_t* imageName);

 protected:
  LPCTSTR GetWindowClassName() const override;
  UINT GetClassStyle() const override;
  DuiLib::CDuiString GetSkinFolder() override;
  DuiLib::CDuiString GetSkinFile() override;

  void OnClickControl(const DuiLib::CDuiString& name);
  void OnUpdateProgress(WPARAM total, LPARAM done);
  void OnDownloadFailed();
  void OnStaged(bool ok);
  void OnCommitted(bool ok);
  // The system close command (and WM_CLOSE): quit at once, dropping a staging in progress;
  // once the client is being ended and the files replaced, the update is let finish.
  void OnCloseRequest();
  // What arrived while the cancel question was open, after a No.
  void HandlePending();

  enum class Phase { kDownloading, kStaging, kCommitting, kStalled, kDone };
  enum class Pending { kNone, kDownloaded, kDownloadFailed, kStaged, kStageFailed };

  DuiLib::CProgressUI* progress = nullptr;  // "updatplan"
  DuiLib::CControlUI* tipLabel = nullptr;   // "updateTip"
  DuiLib::CControlUI* planLabel = nullptr;  // "updatecontent"
  CThreadUpdate worker;
  CThreadFinish finisher;  // declared after the worker, so it ends first
  Phase phase = Phase::kDownloading;
  bool asking = false;  // the cancel question is open
  Pending pending = Pending::kNone;
};

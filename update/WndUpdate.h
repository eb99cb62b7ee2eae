// CWndUpdate: the updater's only window. It shows the title, the numbered plan and a progress
// bar with a percentage; it owns the worker, starts the download once created, and turns the
// worker's messages into progress, the finishing steps or the failure path. The user may
// minimise it or cancel the update after a confirmation.
#pragma once

#include <UIlib.h>

#include <string>
#include <vector>

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
  // After a complete download: end the client, unpack the package, check the version.
  void CompleteUpdate();
  // Reads the installed version, compares it, then reports success and restarts the client,
  // or takes the failure path.
  void FinishUpdate();
  // The network-error message, the installer's download page, the package deleted, quit.
  void FailUpdate();
  // installedVersion from the config/version element of "lastver.xml" in the instance folder.
  void ReadInstalledVersion();
  static bool EnableDebugPrivilege();
  // Ends every process whose image name is exactly `imageName` and waits (bounded) until they
  // have gone; false only without a name.
  static bool EndProcesses(const wchar_t* imageName);
  // Writes every entry of the package below `targetFolder`; false when the package can't be
  // opened as an archive.
  static bool ExtractPackage(const wchar_t* packagePath, const wchar_t* targetFolder);

 protected:
  LPCTSTR GetWindowClassName() const override;
  UINT GetClassStyle() const override;
  DuiLib::CDuiString GetSkinFolder() override;
  DuiLib::CDuiString GetSkinFile() override;

  void OnClickControl(const DuiLib::CDuiString& name);
  void OnUpdateProgress(WPARAM total, LPARAM done);

  DuiLib::CProgressUI* progress = nullptr;  // "updatplan"
  DuiLib::CControlUI* tipLabel = nullptr;   // "updateTip"
  DuiLib::CControlUI* planLabel = nullptr;  // "updatecontent"
  CThreadUpdate worker;
};

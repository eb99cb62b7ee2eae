// The updater's run settings: filled once by the entry from the command line, before the
// window and its worker exist, and only read afterwards (the worker reads packageUrl,
// packagePath and window).
#pragma once

#include <UIlib.h>

#include <string>

class CWndUpdate;

struct CUpdateSettings {
  DuiLib::CDuiString exeName;          // image name of the client's executable
  DuiLib::CDuiString caption;          // title of the message boxes and the window's tip line
  DuiLib::CDuiString packageUrl;       // where the package comes from
  DuiLib::CDuiString pageUrl;          // the full installer's download page
  DuiLib::CDuiString packagePath;      // instance folder + "update.zip"
  DuiLib::CDuiString installDir;       // the instance folder, ending in a backslash
  DuiLib::CDuiString planText;         // the plan, items separated by ';'
  DuiLib::CDuiString expectedVersion;  // what "lastver.xml" must declare after the update
  CWndUpdate* window = nullptr;        // set once, before the window is created
};

extern CUpdateSettings updateSettings;

// The version that the installed "lastver.xml" declares, as ReadInstalledVersion read it;
// empty until then. A string of any length, so that a long version is compared whole rather
// than cut to a fixed buffer.
extern std::wstring installedVersion;

// Window messages from the workers to the update window.
enum : UINT {
  WM_UPDATE_PROGRESS = WM_USER + 100,  // 1124: wParam total bytes, lParam bytes done
  WM_UPDATE_FAILED = WM_USER + 101,    // 1125: the download failed
  WM_UPDATE_STAGED = WM_USER + 102,    // wParam 1: staged and the version matches; 0: failed
  WM_UPDATE_COMMITTED = WM_USER + 103  // wParam 1: the new files are in place; 0: not
};

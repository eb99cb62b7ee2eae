#include "UrlGetUpdateFile.h"

#include <cstdint>

#include "UpdateCore.h"
#include "UpdateSettings.h"
#include "WndUpdate.h"

CUrlGetUpdateFile::CUrlGetUpdateFile() : CWebGetFile(0, 0, 0), lastDone(0.0) {}

CUrlGetUpdateFile::~CUrlGetUpdateFile() {}

int CUrlGetUpdateFile::OnProgress(double total, double done) {
  if (total == 0.0) return 0;
  if (done == lastDone) return 0;
  lastDone = done;
  if (updateSettings.window) {
    uint32_t total32 = 0, done32 = 0;
    ScaleProgress(total, done, &total32, &done32);
    PostMessageW(updateSettings.window->GetHWND(), WM_UPDATE_PROGRESS, total32,
                 static_cast<LPARAM>(static_cast<int32_t>(done32)));
  }
  return 0;
}

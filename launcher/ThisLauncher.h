// The settings of the program being built: CMake compiles the same sources once with
// QUENDA_LAUNCHER_PELLAM (pellam.exe) and once without (vintor.exe).
#pragma once

#include "GameAddress.h"
#include "LauncherBuild.h"

inline const LauncherBuild& ThisLauncher() {
#if defined(QUENDA_LAUNCHER_PELLAM)
  return kPellamBuild;
#else
  return kVintorBuild;
#endif
}

// The process-wide run settings: filled once by the entry before the main window exists,
// read-only afterwards.
extern LauncherSettings launcherSettings;

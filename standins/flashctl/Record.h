// What the test control was asked, written line by line to "flashctl.log" beside the control's
// own file, so a test can read it while the host runs and after it has ended. Each line goes
// straight to the file: nothing is lost when the host process is killed.
#pragma once

#include <windows.h>

namespace flashctl {

// Called from DllMain: the folder of this module decides where the log and switches live.
void SetModule(HMODULE module);
HMODULE Module();

// Appends one line (printf-style, no newline needed).
void Record(const char* format, ...);
void CloseRecord();

// Test switches that must act before any movie is known: the file "flashctl.switches" beside
// the control lists words such as "refuse-class" or "no-scripting".
bool SwitchSet(const char* word);

}  // namespace flashctl

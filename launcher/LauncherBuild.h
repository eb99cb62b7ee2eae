// The settings that tell vintor and pellam apart. Both programs are built from the same
// sources; everything one of them does differently from the other is a value in this table,
// and the code reads the table instead of asking which program it is.
//
// The table is portable (it also serves the native tests of the game address); Win32 values
// such as window styles are kept as plain numbers here.
#pragma once

#include <cstdint>

#include "Utf16.h"

// How the identity is appended to the game's base address:
//   base idKey id passwordKey password suffix [seconds]
struct GameAddressFormat {
  const Utf16Char* idKey;        // "?UserID=" / "?nuserid="
  const Utf16Char* passwordKey;  // "&UserPass=" / "&cpassword="
  const Utf16Char* suffix;       // "&time=" / "&stealth=true"
  bool suffixTakesSeconds;       // the current Unix time follows the suffix
};

struct LauncherBuild {
  const Utf16Char* programName;  // "vintor" / "pellam"

  // Command line: tokens read (program path, two unused tokens, base address, user id,
  // password, and for pellam width and height).
  int tokensRead;
  bool sizeFromCommandLine;  // window width = token 6, height = token 7

  // Main window.
  const Utf16Char* mainSkin;
  uint32_t mainStyle;
  int showCommand;  // SW_SHOW (5) or SW_SHOWNORMAL (1, also takes the focus)
  const Utf16Char* browserName;
  const Utf16Char* captionLabel;  // caption text control, or null

  // Window buttons; a null name means the build has no such button.
  const Utf16Char* minimizeButton;
  const Utf16Char* stickButton;
  const Utf16Char* maximizeButton;
  const Utf16Char* restoreButton;
  const Utf16Char* closeButton;

  // The system menu's Close and Alt+F4 are swallowed: only the skin's close button ends the
  // program.
  bool ignoreSystemClose;

  // Exit confirmation window.
  const Utf16Char* exitSkin;
  const Utf16Char* exitCloseButton;  // the window's own close button
  const Utf16Char* exitTitleLabel;   // control that gets the bold title text, or null

  GameAddressFormat address;
};

extern const LauncherBuild kVintorBuild;
extern const LauncherBuild kPellamBuild;

// Texts and numbers the two builds share.
namespace launcher {
// Caption of the main window (and title shown in pellam's caption label, in bold markup).
extern const Utf16Char* const kCaption;
extern const Utf16Char* const kCaptionMarkup;
// Title that pellam's exit window shows in its "BtnExit" control.
extern const Utf16Char* const kExitTitleMarkup;
const int kIconId = 107;
// Fewer tokens than this (program path included): no window, the program just ends.
const int kMinTokens = 6;
// WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | WS_DLGFRAME | WS_CLIPSIBLINGS |
// WS_CLIPCHILDREN | WS_VISIBLE: vintor's main window and both exit windows.
const uint32_t kDialogStyle = 0x96C80000u;
// WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW: the exit window.
const uint32_t kExitExStyle = 0x81u;
// Exit window results.
const int kExitConfirmed = 1;
const int kExitCancelled = 2;
}  // namespace launcher

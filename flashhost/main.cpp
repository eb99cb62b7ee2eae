// QuillonFlash: plays the Flash movie named on the command line in a see-through window.
#include <windows.h>

#include "FlashWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int showCommand) {
  return quillon::RunQuillonFlash(instance, arguments, showCommand);
}

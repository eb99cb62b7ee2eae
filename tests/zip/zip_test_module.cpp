// A DLL for the extraction tests to load and then replace while it is mapped.
#include <windows.h>

extern "C" __declspec(dllexport) int QuendaZipTestModule() { return 42; }

// A program for the extraction tests to run and then replace while it is running; the test
// ends it.
#include <windows.h>

int main() {
  Sleep(60000);
  return 0;
}

#include <windows.h>

// Refuses every command line until the update flow is built.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 2; }

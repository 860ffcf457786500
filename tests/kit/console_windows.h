// The console windows on the kit's desktop: those of the console host, of a
// default terminal that the host hands consoles to, and of Wine's host.
#pragma once
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace kit {

// The visible top-level windows of those classes.
std::set<HWND> visible_console_windows();

// Those visible now that were not visible in before.
std::vector<HWND> new_console_windows(const std::set<HWND>& before);

// Class and title of a window, for messages: a console host titles its
// window with the program it runs.
std::string describe_window(HWND window);

}  // namespace kit

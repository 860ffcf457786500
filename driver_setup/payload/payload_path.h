// Naming a package file inside the payload folder given on the command line.
#pragma once
#include <string>
#include <string_view>

// Appends file_name to folder with a backslash between them, unless folder is
// empty, already ends in a separator, or is a bare drive such as "Z:" (which
// names that drive's current directory, not its root).
std::wstring join_payload_path(std::wstring_view folder, std::wstring_view file_name);

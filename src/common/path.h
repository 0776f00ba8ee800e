// Windows paths as text. A drive's root is named with its backslash
// ("C:\"), since "C:" alone is the drive's current folder; any other
// folder is named without one at its end.
#pragma once

#include <string>
#include <string_view>

namespace corvell {

// The folder a file lies in; empty for a name without a folder.
std::string folderOf(std::string_view file);

// A file in a folder: one backslash between them.
std::string inFolder(std::string_view folder, std::string_view name);

}  // namespace corvell

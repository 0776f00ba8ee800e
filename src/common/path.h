// Windows paths as text. A drive's root is named with its backslash
// ("C:\"), since "C:" alone is the drive's current folder; any other
// folder is named without one at its end.
#pragma once

#include <string>

namespace corvell {

// The folder a file lies in; empty for a name without a folder.
std::string folderOf(const std::string& file);

// A file in a folder: one backslash between them.
std::string inFolder(const std::string& folder, const char* name);

}  // namespace corvell

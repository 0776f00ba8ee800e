#include "common/path.h"

namespace corvell {

std::string folderOf(const std::string& file) {
    const size_t slash = file.find_last_of('\\');
    if (slash == std::string::npos) return {};
    const bool root = slash == 2 && file[1] == ':';
    return file.substr(0, root ? slash + 1 : slash);
}

std::string inFolder(const std::string& folder, const char* name) {
    return folder + (folder.ends_with('\\') ? "" : "\\") + name;
}

}  // namespace corvell

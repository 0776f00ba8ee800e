#include "common/path.h"

namespace corvell {

std::string folderOf(std::string_view file) {
    const size_t slash = file.find_last_of('\\');
    if (slash == std::string_view::npos) return {};
    const bool root = slash == 2 && file[1] == ':';
    return std::string(file.substr(0, root ? slash + 1 : slash));
}

std::string inFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.ends_with('\\')) path += '\\';
    return path.append(name);
}

}  // namespace corvell

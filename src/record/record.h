// The viewing record: one line that carries the viewer's command line and
// title from one run to the next, with the start and stop times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"

namespace corvell::record {

// "C:\dorvanlog9x.txt" for the 9x family (0), "C:\dorvanlog2k.txt" otherwise.
std::string fileName(int32_t osFamily);

// The same name in the user's own folder, where the record goes when the
// root of C: takes no new file; empty where the system names no such folder.
std::string userFileName(Services& sys, int32_t osFamily);

// Each field quoted, single commas, CR LF; fields are written as they
// stand (they never hold a quote).
std::string formatLine(const std::vector<std::string>& fields);

struct Defaults {
    std::string path;
    std::string title;
};

// The first two delimited fields of the first line, or nothing when the
// content has fewer than two.
std::optional<Defaults> parseDefaults(std::string_view bytes);

// Writes the line in the ANSI code page (on the NT family, as UTF-8 with a
// byte-order mark where the code page lacks one of its characters): as a
// complete new file where the root lets the program make one, else over
// the record where it stands, else in the user's own folder. Failures are
// silent: the caller carries on as after success.
void write(Services& sys, int32_t osFamily, const std::vector<std::string>& fields);

// The path and title of the last viewing, from whichever of the two files
// was written last, or nothing.
std::optional<Defaults> readDefaults(Services& sys, int32_t osFamily);

}  // namespace corvell::record

// The record reader on any bytes: no crash, no field crossing the first
// line, and a record it reads is written back and read again unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "record/record.h"

using corvell::record::formatLine;
using corvell::record::parseDefaults;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const auto d = parseDefaults(in);
    if (!d) return 0;
    for (const std::string* f : {&d->path, &d->title}) {
        if (f->find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) std::abort();
        if (f->size() > size) std::abort();
    }
    if (d->path.find('"') != std::string::npos || d->title.find('"') != std::string::npos) return 0;
    const auto again = parseDefaults(formatLine({d->path, d->title, "t"}));
    if (!again || again->path != d->path || again->title != d->title) std::abort();
    return 0;
}

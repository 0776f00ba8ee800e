// The combo text to number conversion and the input normalisation on any
// text: no crash; a number read back from its item text is the same
// number; normalised text has no quote and no outer space, and stays as
// it is when normalised again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const std::string rest = corvell::dropLastChar(in);
    if (rest.size() > in.size() || in.compare(0, rest.size(), rest) != 0) std::abort();
    if (const auto n = corvell::toInt16(rest)) {
        const auto back = corvell::toInt16(corvell::dropLastChar(std::to_string(*n) + "月"));
        if (!back || *back != *n) std::abort();
    }
    const std::string norm = corvell::normaliseInput(in);
    if (norm.find('"') != std::string::npos) std::abort();
    if (!norm.empty() && (norm.front() == ' ' || norm.back() == ' ')) std::abort();
    if (corvell::normaliseInput(norm) != norm) std::abort();
    return 0;
}

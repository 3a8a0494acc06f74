// The parameter clipboard as Paste reads it: any file text, split into at most one line per
// entry, each line read as its entry's kind. Integer entries must come out as whole numbers in
// the host's 32-bit range and float entries as single-precision values, never NaN; a value
// written back and read again must not drift.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "core/params/ParamClipboard.h"
#include "core/params/ParamTable.h"

using namespace duovis;

namespace {

bool isInteger(ParamId id) {
    const ParamKind k = paramDef(id).kind;
    return k == ParamKind::Popup || k == ParamKind::Checkbox;
}

double reread(ParamId id, double v) {
    return parseClipboardValue(id, formatClipboardValue(id, v));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const auto& entries = clipboardEntries();
    const auto lines = clipboardLines(text, entries.size());
    fuzz::require(lines.size() <= entries.size(), "no more lines than entries");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        fuzz::require(lines[i].find('\n') == std::string_view::npos, "a line holds no line feed");
        const ParamId id = entries[i];
        const double v = parseClipboardValue(id, lines[i]);
        fuzz::require(!std::isnan(v), "a pasted value is never NaN");
        if (isInteger(id)) {
            fuzz::require(v == std::trunc(v) && v >= std::numeric_limits<int32_t>::min() &&
                              v <= std::numeric_limits<int32_t>::max(),
                          "an integer entry is a 32-bit whole number");
            fuzz::require(reread(id, v) == v, "an integer entry survives Copy and Paste");
        } else {
            fuzz::require(static_cast<double>(static_cast<float>(v)) == v,
                          "a float entry is single precision");
            // Six digits may move a value once; what they wrote they read back unchanged.
            const double once = reread(id, v);
            fuzz::require(reread(id, once) == once, "a float entry settles after one Copy and Paste");
        }
    }
    return 0;
}

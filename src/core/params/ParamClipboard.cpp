#include "core/params/ParamClipboard.h"

#include "core/params/ParamTable.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace duovis {

namespace {

struct Run {
    ParamId first;
    int count;
};

// Consecutive positions copied together, in line order.
constexpr Run kRuns[] = {
    {DISPLAY_TYPE, 1},
    {PRIMARY_DEMUX_MODE, 2},
    {SECONDARY_DEMUX_MODE, 3},
    {SWAP_LR, 3},
    {AUTO_CROP, 3},
    {FLIP_L_H, 4},
    {CROP_B_LEFT, 4},
    {CROP_L_LEFT, 4},
    {CROP_R_LEFT, 4},
    {MASTER_HSHIFT_PCT, 3},
#define DUOVIS_FAMILY_RUN(prefix) {prefix##_B, 3},
    DUOVIS_XFORM_FAMILIES(DUOVIS_FAMILY_RUN)
#undef DUOVIS_FAMILY_RUN
        {FIELD_OF_VIEW, 1},
};

bool isInteger(ParamId id) {
    const ParamKind kind = paramDef(id).kind;
    return kind == ParamKind::Popup || kind == ParamKind::Checkbox;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

}  // namespace

const std::vector<ParamId>& clipboardEntries() {
    static const std::vector<ParamId> entries = [] {
        std::vector<ParamId> out;
        for (const Run& r : kRuns)
            for (int i = 0; i < r.count; ++i) out.push_back(static_cast<ParamId>(r.first + i));
        return out;
    }();
    return entries;
}

std::string formatClipboardValue(ParamId id, double value) {
    char buf[64];
    if (isInteger(id)) {
        const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<int32_t>(value));
        return std::string(buf, r.ptr);
    }
    // to_chars is the C locale's %g: shortest of fixed and scientific, two exponent digits.
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
    return std::string(buf, r.ptr);
}

std::string formatClipboard(const std::vector<double>& values) {
    std::string text;
    for (ParamId id : clipboardEntries()) {
        const auto i = static_cast<std::size_t>(id);
        text += formatClipboardValue(id, i < values.size() ? values[i] : 0.0);
        text += '\n';
    }
    return text;
}

double parseClipboardValue(ParamId id, std::string_view line) {
    const std::string text(trimmed(line));
    if (isInteger(id)) {
        char* end = nullptr;
        // Leading digits count, as a stream read of an integer takes them; out-of-range
        // values saturate instead of wrapping.
        const long long v = std::strtoll(text.c_str(), &end, 10);
        if (end == text.c_str()) return 0;
        if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
        if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
        return static_cast<double>(v);
    }
    // from_chars, unlike strtof, ignores the process's locale: a host running in a language
    // with a decimal comma still reads "12.5" as twelve and a half.
    float v = 0;
    const char* first = text.data();
    if (!text.empty() && text.front() == '+') ++first;
    const auto r = std::from_chars(first, text.data() + text.size(), v);
    if (r.ec != std::errc() || std::isnan(v)) return 0;
    return static_cast<double>(v);
}

std::vector<std::string_view> clipboardLines(std::string_view text, std::size_t limit) {
    std::vector<std::string_view> lines;
    while (!text.empty() && lines.size() < limit) {
        const auto nl = text.find('\n');
        lines.push_back(text.substr(0, nl));
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return lines;
}

}  // namespace duovis

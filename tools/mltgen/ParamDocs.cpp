#include "ParamDocs.h"

#include "core/params/ParamDocs.h"
#include "core/params/ParamTable.h"
#include "engine/EngineParams.h"

#include <sstream>

namespace duovis::mltgen {

namespace {

// The unit beside a value in the panel, spelt out as MLT's metadata and Kdenlive show units.
std::string unitOf(ParamId id) {
    const std::string unit = paramDoc(id).unit;
    if (unit == "px") return "pixels";
    if (unit == "°") return "degrees";
    if (unit == "log2") return "powers of 2";
    return unit;
}

// "Enable" says nothing without "3D Looking Glass" above it, nor "Demux Mode" without its layer;
// "Horizontal Shift Both %" under "Horizontal Shift %" says it already. The innermost group goes
// in front where the title shares none of its words.
std::string labelOf(const std::string& title, const std::string& path) {
    const std::string group = path.substr(path.rfind(" / ") == std::string::npos ? 0 : path.rfind(" / ") + 3);
    std::istringstream words(group);
    for (std::string word; words >> word;)
        if (title.find(word) != std::string::npos) return title;
    return group.empty() ? title : group + ": " + title;
}

// The group names above every entry, joined as the panel nests them.
std::vector<std::string> groupPaths() {
    std::vector<std::string> paths(PARAM_COUNT), stack;
    for (const ParamDef& d : paramTable()) {
        if (d.kind == ParamKind::GroupEnd && !stack.empty()) stack.pop_back();
        std::string path;
        for (const std::string& g : stack) path += (path.empty() ? "" : " / ") + g;
        paths[d.position] = path;
        if (d.kind == ParamKind::GroupStart) stack.push_back(d.uiName);
    }
    return paths;
}

std::string takes(const ParamDoc& p) {
    switch (p.kind) {
        case DocKind::Choice:
            return "Takes a choice's text or its number, counted from 1.";
        case DocKind::Toggle:
            return "0 off, 1 on.";
        case DocKind::Number:
            return p.animatable ? "Animatable with keyframes." : "";
    }
    return {};
}

}  // namespace

std::vector<ParamDoc> paramDocs() {
    const std::vector<std::string> paths = groupPaths();
    std::vector<ParamDoc> docs;
    for (ParamId id : engine::engineParams()) {
        const ParamDef& d = paramDef(id);
        ParamDoc p{id,
                   engine::propertyName(id, '_'),
                   d.uiName,
                   labelOf(d.uiName, paths[id]),
                   {},
                   unitOf(id),
                   DocKind::Number,
                   d.validMin,
                   d.validMax,
                   d.defaultValue,
                   d.precision,
                   {},
                   engine::isAnimatable(id)};
        if (d.kind == ParamKind::Popup) {
            p.kind = DocKind::Choice;
            p.choices = engine::popupChoices(id);
            p.minimum = 1, p.maximum = double(p.choices.size()), p.decimals = 0;
        } else if (d.kind == ParamKind::Checkbox) {
            p.kind = DocKind::Toggle;
            p.minimum = 0, p.maximum = 1, p.decimals = 0;
        }
        const std::string& path = paths[id];
        p.description = (path.empty() ? "" : path + ": ") + p.title + ". " + takes(p);
        while (!p.description.empty() && p.description.back() == ' ') p.description.pop_back();
        docs.push_back(std::move(p));
    }
    return docs;
}

}  // namespace duovis::mltgen

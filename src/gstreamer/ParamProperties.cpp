#include "ParamProperties.h"

#include "core/params/ParamTable.h"
#include "engine/EngineParams.h"

#include <gst/gst.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace duovis::gst {

namespace {

std::optional<ParamId> paramAt(guint propId, guint firstId) {
    const std::vector<ParamId>& ids = engine::engineParams();
    if (propId < firstId || propId - firstId >= ids.size()) return std::nullopt;
    return ids[propId - firstId];
}

// "Side-By-Side(50%)" -> "side-by-side-50": what a pipeline description may spell.
std::string nickOf(const std::string& choice) {
    std::string nick;
    for (const char c : choice) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            nick += char(std::tolower(static_cast<unsigned char>(c)));
        } else if (!nick.empty() && nick.back() != '-') {
            nick += '-';
        }
    }
    while (!nick.empty() && nick.back() == '-') nick.pop_back();
    return nick;
}

// "DISPLAY_TYPE" -> "GstDuovisDisplayType".
std::string enumTypeName(ParamId id) {
    std::string name = "GstDuovis";
    bool upper = true;
    for (const char* c = paramDef(id).identifier; *c; ++c) {
        if (*c == '_') {
            upper = true;
            continue;
        }
        name += upper ? *c : char(std::tolower(static_cast<unsigned char>(*c)));
        upper = false;
    }
    return name;
}

// One enum type per popup, registered on first use and kept for the process's life, as GLib
// requires of static types.
GType popupEnumType(ParamId id) {
    const std::string typeName = enumTypeName(id);
    if (const GType known = g_type_from_name(typeName.c_str())) return known;
    const std::vector<std::string> choices = engine::popupChoices(id);
    auto* values = new GEnumValue[choices.size() + 1]();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        values[i].value = gint(i + 1);
        values[i].value_name = g_intern_string(choices[i].c_str());
        values[i].value_nick = g_intern_string(nickOf(choices[i]).c_str());
    }
    return g_enum_register_static(g_intern_string(typeName.c_str()), values);
}

// "3D Looking Glass: Enable": a parameter's name with the group it sits in, as a panel shows it.
std::string blurbOf(ParamId id) {
    const ParamDefTable& table = paramTable();
    const ParamDef& d = table[std::size_t(id)];
    for (int p = int(id) - 1; p > 0 && d.depth > 0; --p) {
        const ParamDef& g = table[std::size_t(p)];
        if (g.kind == ParamKind::GroupStart && g.depth == d.depth - 1)
            return std::string(g.uiName) + ": " + d.uiName;
    }
    return d.uiName;
}

GParamSpec* specFor(ParamId id) {
    const ParamDef& d = paramDef(id);
    const std::string name = engine::propertyName(id, '-');
    const std::string blurb = blurbOf(id);
    const char* nick = g_intern_string(d.uiName);
    const auto flags = GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_PLAYING |
                                   (engine::isAnimatable(id) ? GST_PARAM_CONTROLLABLE : 0));
    const char* pname = g_intern_string(name.c_str());
    const char* pblurb = g_intern_string(blurb.c_str());
    switch (d.kind) {
        case ParamKind::Popup:
            return g_param_spec_enum(pname, nick, pblurb, popupEnumType(id), gint(d.defaultValue), flags);
        case ParamKind::Checkbox:
            return g_param_spec_boolean(pname, nick, pblurb, d.defaultValue > 0, flags);
        default:
            return g_param_spec_double(pname, nick, pblurb, double(d.validMin), double(d.validMax),
                                       double(d.defaultValue), flags);
    }
}

}  // namespace

void installParamProperties(GObjectClass* klass, guint firstId) {
    const std::vector<ParamId>& ids = engine::engineParams();
    for (std::size_t i = 0; i < ids.size(); ++i)
        g_object_class_install_property(klass, firstId + guint(i), specFor(ids[i]));
}

bool setParamProperty(ParamState& state, guint propId, guint firstId, const GValue* value) {
    const std::optional<ParamId> id = paramAt(propId, firstId);
    if (!id) return false;
    switch (paramDef(*id).kind) {
        case ParamKind::Popup:
            state.values[*id] = g_value_get_enum(value);
            break;
        case ParamKind::Checkbox:
            state.values[*id] = g_value_get_boolean(value) ? 1 : 0;
            break;
        default:
            state.values[*id] = g_value_get_double(value);
            break;
    }
    if (*id == PRIMARY_DEMUX_MODE) state.demuxGiven = true;
    return true;
}

bool getParamProperty(const ParamState& state, guint propId, guint firstId, GValue* value) {
    const std::optional<ParamId> id = paramAt(propId, firstId);
    if (!id) return false;
    switch (paramDef(*id).kind) {
        case ParamKind::Popup:
            g_value_set_enum(value, state.values.integer(*id));
            break;
        case ParamKind::Checkbox:
            g_value_set_boolean(value, state.values.on(*id));
            break;
        default:
            g_value_set_double(value, state.values[*id]);
            break;
    }
    return true;
}

bool changesOutputCaps(guint propId, guint firstId) {
    const std::optional<ParamId> id = paramAt(propId, firstId);
    return id && (*id == DISPLAY_TYPE || *id == PRIMARY_DEMUX_MODE);
}

}  // namespace duovis::gst

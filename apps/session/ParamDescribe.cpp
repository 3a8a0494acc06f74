#include "session/ParamDescribe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sstream>

#include "core/params/ParamTable.h"

namespace duovis::session {

std::string kindName(PF_ParamType type) {
    switch (type) {
        case PF_Param_LAYER:
            return "layer";
        case PF_Param_POPUP:
            return "popup";
        case PF_Param_CHECKBOX:
            return "checkbox";
        case PF_Param_FLOAT_SLIDER:
            return "float";
        case PF_Param_BUTTON:
            return "button";
        case PF_Param_COLOR:
            return "color";
        case PF_Param_ARBITRARY_DATA:
            return "arbitrary";
        case PF_Param_GROUP_START:
            return "group-start";
        case PF_Param_GROUP_END:
            return "group-end";
    }
    return "kind " + std::to_string(static_cast<int>(type));
}

std::vector<std::string> popupChoices(const PF_ParamDef& def) {
    std::vector<std::string> out;
    if (def.param_type != PF_Param_POPUP || def.u.pd.namesptr == nullptr) return out;
    std::string all = def.u.pd.namesptr;
    std::size_t start = 0;
    while (true) {
        const auto bar = all.find('|', start);
        out.push_back(all.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return out;
}

namespace {

std::string num(double v) {
    std::ostringstream os;
    os << v;
    return os.str();
}

std::string defaultText(const PF_ParamDef& d) {
    switch (d.param_type) {
        case PF_Param_POPUP:
            return std::to_string(d.u.pd.dephault);
        case PF_Param_CHECKBOX:
            return d.u.bd.dephault ? "on" : "off";
        case PF_Param_FLOAT_SLIDER:
            return num(static_cast<double>(d.u.fs_d.dephault));
        case PF_Param_COLOR:
            return std::to_string(d.u.cd.dephault.red) + "," + std::to_string(d.u.cd.dephault.green) + "," +
                   std::to_string(d.u.cd.dephault.blue);
        default:
            return "";
    }
}

}  // namespace

std::string identifierAt(int position) {
    if (position < 0 || position >= PARAM_COUNT) return "";
    return paramDef(static_cast<ParamId>(position)).identifier;
}

ParamDoc docAt(int position) {
    if (position < 0 || position >= PARAM_COUNT) return {};
    return paramDoc(static_cast<ParamId>(position));
}

std::string validRange(const PF_ParamDef& d) {
    switch (d.param_type) {
        case PF_Param_POPUP:
            return "1.." + std::to_string(d.u.pd.num_choices) + " or a choice";
        case PF_Param_CHECKBOX:
            return "on/off";
        case PF_Param_FLOAT_SLIDER:
            return num(static_cast<double>(d.u.fs_d.valid_min)) + ".." +
                   num(static_cast<double>(d.u.fs_d.valid_max));
        default:
            return "";
    }
}

std::string describeText(const refhost::ParamStore& store) {
    std::ostringstream os;
    for (int i = 1; i < store.count(); ++i) {
        const PF_ParamDef& d = store.at(i);
        os << i << "\t" << identifierAt(i) << "\tid " << d.uu.id << "\t" << kindName(d.param_type) << "\t\""
           << d.name << "\"";
        if (d.param_type == PF_Param_FLOAT_SLIDER) {
            os << "\tvalid " << validRange(d) << "\tslider " << d.u.fs_d.slider_min << ".."
               << d.u.fs_d.slider_max << "\tprecision " << d.u.fs_d.precision;
        } else if (d.param_type == PF_Param_POPUP) {
            os << "\t1.." << d.u.pd.num_choices;
        }
        const std::string def = defaultText(d);
        if (!def.empty()) os << "\tdefault " << def;
        os << "\tflags 0x" << std::hex << d.flags << " ui 0x" << d.ui_flags << std::dec << "\n";
        const auto choices = popupChoices(d);
        for (std::size_t c = 0; c < choices.size(); ++c) os << "\t\t" << c + 1 << " " << choices[c] << "\n";
    }
    return os.str();
}

std::string describeJson(const refhost::ParamStore& store) {
    QJsonArray list;
    for (int i = 1; i < store.count(); ++i) {
        const PF_ParamDef& d = store.at(i);
        QJsonObject o;
        o["position"] = i;
        o["identifier"] = QString::fromStdString(identifierAt(i));
        o["hostId"] = static_cast<int>(d.uu.id);
        o["kind"] = QString::fromStdString(kindName(d.param_type));
        o["name"] = QString::fromUtf8(d.name);
        o["flags"] = static_cast<int>(d.flags);
        o["uiFlags"] = static_cast<int>(d.ui_flags);
        if (d.param_type == PF_Param_FLOAT_SLIDER) {
            o["validMin"] = static_cast<double>(d.u.fs_d.valid_min);
            o["validMax"] = static_cast<double>(d.u.fs_d.valid_max);
            o["sliderMin"] = static_cast<double>(d.u.fs_d.slider_min);
            o["sliderMax"] = static_cast<double>(d.u.fs_d.slider_max);
            o["default"] = static_cast<double>(d.u.fs_d.dephault);
            o["precision"] = d.u.fs_d.precision;
        } else if (d.param_type == PF_Param_POPUP) {
            o["default"] = d.u.pd.dephault;
            QJsonArray choices;
            for (const auto& c : popupChoices(d)) choices.append(QString::fromStdString(c));
            o["choices"] = choices;
        } else if (d.param_type == PF_Param_CHECKBOX) {
            o["default"] = d.u.bd.dephault != 0;
        }
        list.append(o);
    }
    return QJsonDocument(list).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace duovis::session

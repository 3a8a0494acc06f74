// The generated descriptions read back the way their readers read them: the MLT metadata
// through MLT's own YAML reader, Kdenlive's through an XML reader. Each must describe every
// offered property with the table's range, default and choices.
#include "core/params/ParamTable.h"
#include "engine/EngineParams.h"

#include <framework/mlt.h>
#include <gtest/gtest.h>
#include <QFile>
#include <QXmlStreamReader>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace duovis::engine {
namespace {

// One property as a description gives it.
struct Described {
    std::string kind;  // the reader's own word for the widget or type
    double minimum = 0, maximum = 0;
    std::string defaultText;
    std::vector<std::string> choices;
    bool animatable = false;
    std::string label;  // what the panel shows beside the control, where the reader shows one
};

using Descriptions = std::map<std::string, Described>;

std::vector<std::string> yamlList(mlt_properties list) {
    std::vector<std::string> out;
    for (int i = 0; list && i < mlt_properties_count(list); ++i)
        out.emplace_back(mlt_properties_get_value(list, i));
    return out;
}

Descriptions readMltYaml(const std::string& path) {
    Descriptions out;
    mlt_properties doc = mlt_properties_parse_yaml(path.c_str());
    if (!doc) return out;
    auto params = static_cast<mlt_properties>(mlt_properties_get_data(doc, "parameters", nullptr));
    for (int i = 0; params && i < mlt_properties_count(params); ++i) {
        auto p = static_cast<mlt_properties>(mlt_properties_get_data_at(params, i, nullptr));
        if (!p || !mlt_properties_get(p, "identifier")) continue;
        Described d;
        d.kind = mlt_properties_get(p, "type") ? mlt_properties_get(p, "type") : "";
        d.minimum = mlt_properties_get_double(p, "minimum");
        d.maximum = mlt_properties_get_double(p, "maximum");
        d.defaultText = mlt_properties_get(p, "default") ? mlt_properties_get(p, "default") : "";
        d.choices = yamlList(static_cast<mlt_properties>(mlt_properties_get_data(p, "values", nullptr)));
        const char* animation = mlt_properties_get(p, "animation");
        d.animatable = animation && std::string(animation) == "yes";
        out[mlt_properties_get(p, "identifier")] = d;
    }
    mlt_properties_close(doc);
    return out;
}

Descriptions readKdenliveXml(const std::string& path) {
    Descriptions out;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return out;
    QXmlStreamReader xml(&file);
    std::string current;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("parameter")) {
            current = a.value("name").toString().toStdString();
            Described& d = out[current];
            d.kind = a.value("type").toString().toStdString();
            d.minimum = a.value("min").toDouble(), d.maximum = a.value("max").toDouble();
            d.defaultText = a.value("default").toString().toStdString();
            d.animatable = d.kind == "animated";
        } else if (xml.name() == QLatin1String("name") && !current.empty()) {
            out[current].label = xml.readElementText().toStdString();
        } else if (xml.name() == QLatin1String("paramlistdisplay") && !current.empty()) {
            for (const QString& c : xml.readElementText().split(','))
                out[current].choices.push_back(c.toStdString());
        }
    }
    EXPECT_FALSE(xml.hasError()) << path << ": " << xml.errorString().toStdString();
    return out;
}

std::string number(double v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

// What a description of `id` must say, by the reader's words for each kind.
void expectDescribes(const Descriptions& all, ParamId id, bool mltWords, const std::string& file) {
    const std::string name = propertyName(id, '_');
    const auto found = all.find(name);
    ASSERT_NE(found, all.end()) << file << " lacks " << name;
    const Described& d = found->second;
    const ParamDef& def = paramDef(id);
    EXPECT_EQ(d.animatable, isAnimatable(id)) << file << ": " << name;
    switch (def.kind) {
        case ParamKind::Popup:
            EXPECT_EQ(d.kind, mltWords ? "string" : "list") << name;
            EXPECT_EQ(d.choices, popupChoices(id)) << file << ": " << name;
            EXPECT_EQ(d.defaultText,
                      mltWords ? popupChoices(id).at(size_t(def.defaultValue) - 1) : number(def.defaultValue))
                << name;
            break;
        case ParamKind::Checkbox:
            EXPECT_EQ(d.kind, mltWords ? "boolean" : "bool") << name;
            EXPECT_EQ(d.defaultText, number(def.defaultValue)) << name;
            break;
        default:
            EXPECT_EQ(d.kind, mltWords ? "float" : (isAnimatable(id) ? "animated" : "constant")) << name;
            EXPECT_EQ(d.minimum, double(def.validMin)) << file << ": " << name;
            EXPECT_EQ(d.maximum, double(def.validMax)) << file << ": " << name;
            EXPECT_EQ(d.defaultText, number(def.defaultValue)) << name;
    }
}

struct DescriptionFile {
    const char* path;
    bool mlt;
};

TEST(MltMetadata, EveryDescriptionReadsBackWithTheTablesValues) {
    const std::string build = DUOVIS_BUILD_DIR;
    const DescriptionFile files[] = {
        {"/share/mlt-7/duovis/filter_duovis.yml", true},
        {"/share/mlt-7/duovis/transition_duovis.yml", true},
        {"/share/kdenlive/effects/duovis.xml", false},
        {"/share/kdenlive/transitions/duovis.xml", false},
    };
    for (const DescriptionFile& f : files) {
        const std::string path = build + f.path;
        const Descriptions all = f.mlt ? readMltYaml(path) : readKdenliveXml(path);
        ASSERT_EQ(all.size(), engineParams().size()) << path;
        for (ParamId id : engineParams()) expectDescribes(all, id, f.mlt, path);
        if (f.mlt) continue;
        // Kdenlive lists the controls flat, without the effect's groups: each label must say
        // which control it is on its own.
        std::map<std::string, std::string> byLabel;
        for (const auto& [name, d] : all) {
            EXPECT_FALSE(d.label.empty()) << path << ": " << name << " has no label";
            const auto [seen, fresh] = byLabel.emplace(d.label, name);
            EXPECT_TRUE(fresh) << path << ": " << name << " and " << seen->second << " are both \"" << d.label
                               << "\"";
        }
    }
}

}  // namespace
}  // namespace duovis::engine

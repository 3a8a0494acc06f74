#include "Writers.h"

#include <sstream>

namespace duovis::mltgen {

namespace {

const char* const kTitle = "Duovis Stereo 3D";

const char* serviceText(Service s) {
    return s == Service::Filter
               ? "Adjusts and previews a stereoscopic frame: a packed side-by-side or top-bottom frame, "
                 "or a mono one, shown as the chosen display type."
               : "Adjusts and previews a stereoscopic pair: the A track is the left eye, the B track the "
                 "right, shown as the chosen display type.";
}

std::string number(double v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

// A plain scalar where YAML reads it as written, else double-quoted (MLT's reader unquotes
// double quotes only).
std::string yamlText(const std::string& s) {
    const bool plain = !s.empty() && s.find(": ") == std::string::npos && s.find(" #") == std::string::npos &&
                       std::string("'\"[]{}&*!|>%@`#,?:-").find(s.front()) == std::string::npos;
    if (plain) return s;
    std::string out = "\"";
    for (char c : s) out += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

std::string xmlText(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void yamlParameter(std::ostream& out, const ParamDoc& p) {
    out << "  - identifier: " << p.name << "\n    title: " << yamlText(p.title)
        << "\n    description: " << yamlText(p.description) << "\n";
    switch (p.kind) {
        case DocKind::Choice:
            out << "    type: string\n    default: " << yamlText(p.choices[size_t(p.defaultValue) - 1])
                << "\n    widget: combo\n    values:\n";
            for (const std::string& c : p.choices) out << "      - " << yamlText(c) << "\n";
            break;
        case DocKind::Toggle:
            out << "    type: boolean\n    default: " << number(p.defaultValue) << "\n    widget: checkbox\n";
            break;
        case DocKind::Number:
            out << "    type: float\n    minimum: " << number(p.minimum)
                << "\n    maximum: " << number(p.maximum) << "\n    default: " << number(p.defaultValue)
                << "\n    decimals: " << p.decimals << "\n    widget: spinner\n";
            if (!p.unit.empty()) out << "    unit: " << yamlText(p.unit) << "\n";
            break;
    }
    out << "    mutable: yes\n    animation: " << (p.animatable ? "yes" : "no") << "\n";
}

void xmlParameter(std::ostream& out, const ParamDoc& p) {
    out << "  <parameter name=\"" << p.name << "\" default=\"" << number(p.defaultValue) << "\"";
    switch (p.kind) {
        case DocKind::Choice: {
            std::string values, texts;
            for (size_t i = 0; i < p.choices.size(); ++i) {
                values += (i ? ";" : "") + std::to_string(i + 1);
                texts += (i ? "," : "") + p.choices[i];
            }
            out << " type=\"list\" paramlist=\"" << values << "\">\n    <paramlistdisplay>" << xmlText(texts)
                << "</paramlistdisplay>\n";
            break;
        }
        case DocKind::Toggle:
            out << " type=\"bool\">\n";
            break;
        case DocKind::Number:
            out << " type=\"" << (p.animatable ? "animated" : "constant") << "\" min=\"" << number(p.minimum)
                << "\" max=\"" << number(p.maximum) << "\" decimals=\"" << p.decimals << "\"";
            if (p.unit == "%") out << " suffix=\"%\"";
            out << ">\n";
            break;
    }
    out << "    <name>" << xmlText(p.label) << "</name>\n    <comment>" << xmlText(p.description)
        << "</comment>\n  </parameter>\n";
}

}  // namespace

void writeMltYaml(std::ostream& out, Service service, const std::vector<ParamDoc>& docs,
                  const std::string& version) {
    out << "schema_version: 7.0\ntype: " << (service == Service::Filter ? "filter" : "transition")
        << "\nidentifier: duovis\ntitle: " << kTitle << "\nversion: " << yamlText(version)
        << "\nlanguage: en\ntags:\n  - Video\ndescription: " << yamlText(serviceText(service))
        << "\nparameters:\n";
    for (const ParamDoc& p : docs) yamlParameter(out, p);
}

void writeKdenliveXml(std::ostream& out, Service service, const std::vector<ParamDoc>& docs) {
    const char* root = service == Service::Filter ? "effect" : "transition";
    out << "<!DOCTYPE kpartgui>\n<!-- Generated from the parameter table at build time; do not edit. -->\n<"
        << root << " tag=\"duovis\" id=\"duovis\">\n  <name>" << kTitle << "</name>\n  <description>"
        << xmlText(serviceText(service)) << "</description>\n  <author>Duovis</author>\n";
    for (const ParamDoc& p : docs) xmlParameter(out, p);
    out << "</" << root << ">\n";
}

}  // namespace duovis::mltgen

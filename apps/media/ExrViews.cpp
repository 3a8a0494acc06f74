#include "media/ExrViews.h"

#include <ImfChannelList.h>
#include <ImfHeader.h>
#include <ImfMultiView.h>
#include <ImfStandardAttributes.h>

#include <cctype>
#include <cstring>
#include <map>
#include <stdexcept>

namespace duovis::media {

namespace {

bool isView(const std::string& name, const char* want) {
    if (name.size() != std::strlen(want)) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != want[i]) return false;
    return true;
}

// Channel names split at the last dot: the layer (with its dot) and the channel.
struct Layer {
    bool has[5] = {};  // R, G, B, A, Y
    Imf::PixelType type = Imf::HALF;
    bool colour() const { return (has[0] && has[1] && has[2]) || has[4]; }
};
constexpr const char* kNames[] = {"R", "G", "B", "A", "Y"};

std::map<std::string, Layer> layersOf(const Imf::ChannelList& channels) {
    std::map<std::string, Layer> layers;
    for (auto c = channels.begin(); c != channels.end(); ++c) {
        const std::string name = c.name();
        const auto dot = name.rfind('.');
        const std::string prefix = dot == std::string::npos ? "" : name.substr(0, dot + 1);
        const std::string last = name.substr(prefix.size());
        for (int i = 0; i < 5; ++i)
            if (last == kNames[i]) {
                Layer& l = layers[prefix];
                l.has[i] = true;
                if (i == 0 || (i == 4 && !l.has[0])) l.type = c.channel().type;
            }
    }
    return layers;
}

std::string namesOf(const Imf::ChannelList& channels) {
    std::string names;
    for (auto c = channels.begin(); c != channels.end(); ++c)
        names += std::string(names.empty() ? "" : ", ") + c.name();
    return names;
}

std::string whose(const std::string& path, const std::string& view) {
    return path + (view.empty() ? ": " : ": the " + view + " view ");
}

// The colour among `channels`, the channels of one view; `base` is the layer the view's own
// picture has ("" or "right.").
ExrView colourOf(const Imf::ChannelList& channels, const std::string& base, ExrView v,
                 const std::string& path) {
    const std::map<std::string, Layer> layers = layersOf(channels);
    std::vector<std::string> colour;
    for (const auto& [prefix, layer] : layers)
        if (layer.colour()) colour.push_back(prefix);
    if (layers.count(base) && layers.at(base).colour()) colour = {base};
    if (colour.empty()) {
        const std::string has = namesOf(channels);
        throw std::runtime_error(whose(path, v.name) + "has no colour channels (" + base + "R, " + base +
                                 "G, " + base + "B or " + base + "Y)" +
                                 (has.empty() ? ", no channels at all" : ", only " + has));
    }
    if (colour.size() > 1) {
        std::string names;
        for (const std::string& p : colour) names += (names.empty() ? "" : ", ") + p.substr(0, p.size() - 1);
        throw std::runtime_error(whose(path, v.name) + "has colour in several layers (" + names +
                                 "), none of them the picture's");
    }
    const std::string& p = colour.front();
    const Layer& l = layers.at(p);
    for (int c = 0; c < 3; ++c) v.channels[c] = p + (l.has[0] ? kNames[c] : "Y");
    v.channels[3] = l.has[3] ? p + "A" : "";
    v.half = l.type == Imf::HALF;
    return v;
}

}  // namespace

std::vector<ExrView> exrViews(Imf::MultiPartInputFile& file, const std::string& path) {
    const Imf::Header& first = file.header(0);
    if (Imf::hasMultiView(first)) {
        const Imf::StringVector& names = Imf::multiView(first);
        std::string left, right;
        for (const std::string& n : names) {
            if (isView(n, "left")) left = n;
            if (isView(n, "right")) right = n;
        }
        if (!left.empty() && !right.empty()) {
            std::vector<ExrView> views;
            for (const std::string& n : {left, right}) {
                const std::string base = n == names.front() ? "" : n + ".";
                ExrView v{0, isView(n, "left") ? "left" : "right", {}, false};
                views.push_back(colourOf(Imf::channelsInView(n, first.channels(), names), base, v, path));
            }
            return views;
        }
    }
    int left = -1, right = -1;
    for (int p = 0; p < file.parts(); ++p) {
        if (!file.header(p).hasView()) continue;
        if (isView(file.header(p).view(), "left")) left = p;
        if (isView(file.header(p).view(), "right")) right = p;
    }
    if (left >= 0 && right >= 0)
        return {colourOf(file.header(left).channels(), "", ExrView{left, "left", {}, false}, path),
                colourOf(file.header(right).channels(), "", ExrView{right, "right", {}, false}, path)};
    return {colourOf(first.channels(), "", ExrView{}, path)};
}

}  // namespace duovis::media

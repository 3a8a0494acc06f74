#include "AnalyseOptions.h"

#include "media/VideoReader.h"
#include "session/FrameSequence.h"

#include <QFile>

#include <stdexcept>

namespace depthscope {

AnalyseOptions parseAnalyseOptions(const std::vector<std::string>& args) {
    AnalyseOptions o;
    const std::pair<const char*, const char*> needs[] = {
        {"--report", "--report needs a file name"},
        {"--max-megapixels", "--max-megapixels needs a number"},
        {"--frames", "--frames needs a frame list (A-B)"},
        {"--limits", "--limits needs NEAR,FAR"}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            o.json = true;
            continue;
        }
        bool known = false;
        for (const auto& [name, missing] : needs) {
            if (a != name) continue;
            if (++i >= args.size()) throw std::runtime_error(missing);
            known = true;
            if (a == "--report") o.report = args[i];
            if (a == "--max-megapixels") o.megapixels = args[i];
            if (a == "--frames") o.frames = args[i];
            if (a == "--limits") o.limits = args[i];
        }
        if (known) continue;
        if (!a.empty() && a[0] == '-')
            throw std::runtime_error("unknown option '" + a + "' (see depthscope analyse --help)");
        o.files.push_back(a);
    }
    return o;
}

bool isShot(const AnalyseOptions& o) {
    if (o.frames || o.limits) return true;
    if (o.files.empty()) return false;
    const std::string& left = o.files.front();
    return duovis::session::FrameSequence::looksLikePattern(QFile::decodeName(left.c_str())) ||
           duovis::media::isVideoName(left);
}

}  // namespace depthscope

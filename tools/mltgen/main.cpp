// mltgen MLT_DATA_DIR KDENLIVE_DIR VERSION: writes duovis/{filter,transition}_duovis.yml under
// the first folder and {effects,transitions}/duovis.xml under the second.
#include "Writers.h"

#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;
using namespace duovis::mltgen;

namespace {

template <class Write>
bool writeFile(const fs::path& path, Write write) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path);
    write(out);
    out.close();
    if (!out) std::cerr << "mltgen: cannot write " << path.string() << "\n";
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: mltgen MLT_DATA_DIR KDENLIVE_DIR VERSION\n";
        return 2;
    }
    try {
        const fs::path mlt = fs::path(argv[1]) / "duovis", kdenlive = argv[2];
        const std::string version = argv[3];
        const std::vector<ParamDoc> docs = paramDocs();
        bool ok = true;
        for (Service s : {Service::Filter, Service::Transition}) {
            const bool filter = s == Service::Filter;
            ok &= writeFile(mlt / (filter ? "filter_duovis.yml" : "transition_duovis.yml"),
                            [&](std::ostream& o) { writeMltYaml(o, s, docs, version); });
            ok &= writeFile(kdenlive / (filter ? "effects" : "transitions") / "duovis.xml",
                            [&](std::ostream& o) { writeKdenliveXml(o, s, docs); });
        }
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "mltgen: " << e.what() << "\n";
        return 1;
    }
}

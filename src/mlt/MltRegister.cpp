// The module's one exported symbol: MLT calls it when it scans its module folder.
#include "MltServices.h"

#include <framework/mlt.h>

#include <string>

namespace {

// The service descriptions generated from the parameter table, beside the system's in MLT_DATA.
mlt_properties metadata(mlt_service_type type, const char* /*id*/, void* /*data*/) {
    try {
        const char* root = mlt_environment("MLT_DATA");
        if (!root) return nullptr;
        const char* file = type == mlt_service_filter_type ? "filter_duovis.yml" : "transition_duovis.yml";
        const std::string path = std::string(root) + "/duovis/" + file;
        return mlt_properties_parse_yaml(path.c_str());
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) MLT_REPOSITORY {
    MLT_REGISTER(mlt_service_filter_type, "duovis", duovis::mlt::initFilter);
    MLT_REGISTER(mlt_service_transition_type, "duovis", duovis::mlt::initTransition);
    MLT_REGISTER_METADATA(mlt_service_filter_type, "duovis", metadata, nullptr);
    MLT_REGISTER_METADATA(mlt_service_transition_type, "duovis", metadata, nullptr);
}

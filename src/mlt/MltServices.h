// The services the module registers.
#pragma once

#include <framework/mlt.h>

namespace duovis::mlt {

void* initFilter(mlt_profile profile, mlt_service_type type, const char* id, char* arg);
void* initTransition(mlt_profile profile, mlt_service_type type, const char* id, char* arg);

}  // namespace duovis::mlt

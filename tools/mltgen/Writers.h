// The two description formats written from the parameter docs.
#pragma once

#include "ParamDocs.h"

#include <ostream>
#include <string>
#include <vector>

namespace duovis::mltgen {

enum class Service { Filter, Transition };

// MLT's service metadata (YAML), shown by `melt -query filter=duovis`.
void writeMltYaml(std::ostream& out, Service service, const std::vector<ParamDoc>& docs,
                  const std::string& version);

// Kdenlive's effect or composition description (XML).
void writeKdenliveXml(std::ostream& out, Service service, const std::vector<ParamDoc>& docs);

}  // namespace duovis::mltgen

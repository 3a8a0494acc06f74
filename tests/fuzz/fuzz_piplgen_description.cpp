// The generator's description text: any text either fails with a "file:line: message" error or
// encodes a property list the host's reader decodes back, property for property.
#include <sstream>
#include <stdexcept>
#include <string>

#include "Description.h"
#include "FuzzSupport.h"
#include "PropertyList.h"

using namespace duovis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::uint8_t> bytes;
    try {
        bytes = piplgen::encodeDescription(in, "fuzz.txt");
    } catch (const std::runtime_error& e) {
        fuzz::require(std::string(e.what()).rfind("fuzz.txt:", 0) == 0, "a fault names the description");
        return 0;
    }
    const auto list = pipl::decodePropertyList(bytes.data(), bytes.size());
    fuzz::require(list.ok(), "an encoded description decodes");
    fuzz::require(!list.value->properties.empty(), "an encoded description holds a property");
    std::size_t expected = 8;
    for (const pipl::Property& p : list.value->properties)
        expected += 16 + ((p.data.size() + 3) & ~std::size_t{3});
    fuzz::require(expected == bytes.size(), "the encoding holds the properties and nothing else");
    // Every key the generator knows, each once: the whole set is a descriptor the host accepts.
    if (list.value->properties.size() == 12)
        fuzz::require(pipl::describe(*list.value).ok(), "a full set describes");
    return 0;
}

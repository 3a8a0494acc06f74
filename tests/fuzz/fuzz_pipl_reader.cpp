// A module file as the host reads its descriptor: any bytes, taken as the whole file image and
// as a bare property list. Every failure must say why; every success must fit the bytes given.
#include "ElfSection.h"
#include "FuzzSupport.h"
#include "PropertyList.h"

using namespace duovis;

namespace {

void checkList(const pipl::Result<pipl::PropertyList>& list, std::size_t size) {
    if (!list.ok()) {
        fuzz::require(!list.error.empty(), "a refused descriptor names its fault");
        return;
    }
    std::size_t bytes = 8;
    for (const pipl::Property& p : list.value->properties) bytes += 16 + p.data.size();
    fuzz::require(bytes <= size, "decoded properties fit inside the bytes read");
    const auto d = pipl::describe(*list.value);
    fuzz::require(d.ok() || !d.error.empty(), "an incomplete descriptor names its fault");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> image(data, data + size);
    const auto fromFile = pipl::readPiplImage(image);
    if (fromFile.ok()) {
        const auto span = pipl::findElfSection(image, ".pipl");
        fuzz::require(span.ok() && span.value->offset + span.value->size <= size,
                      "the section lies in the file");
        checkList(fromFile, static_cast<std::size_t>(span.value->size));
    } else {
        fuzz::require(!fromFile.error.empty(), "a refused module file names its fault");
    }
    checkList(pipl::decodePropertyList(image.data(), image.size()), size);
    return 0;
}

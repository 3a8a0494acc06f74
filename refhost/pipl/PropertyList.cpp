#include "PropertyList.h"

#include <algorithm>

#include "ElfSection.h"
#include "PiPL.h"

namespace duovis::pipl {
namespace {

std::uint32_t u32At(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

Result<const Property*> lookup(const PropertyList& list, std::uint32_t key, std::size_t minSize) {
    const Property* p = list.find(key);
    if (p == nullptr) return Result<const Property*>::failure("no '" + fourCCText(key) + "' property");
    if (p->data.size() < minSize)
        return Result<const Property*>::failure("'" + fourCCText(key) + "' property is too short");
    return Result<const Property*>::success(p);
}

// Copies a typed property into a Descriptor field, keeping the first error.
template <typename T, typename U>
bool take(Result<T> r, U& field, std::string& error) {
    if (!r.ok()) {
        if (error.empty()) error = r.error;
        return false;
    }
    field = *r.value;
    return true;
}

}  // namespace

const Property* PropertyList::find(std::uint32_t key) const {
    for (const Property& p : properties)
        if (p.vendor == PiPL_VENDOR_CODE && p.key == key) return &p;
    return nullptr;
}

std::string fourCCText(std::uint32_t code) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char>((code >> shift) & 0xFF);
        s += (c >= 0x20 && c <= 0x7E) ? c : '?';
    }
    return s;
}

Result<PropertyList> decodePropertyList(const std::uint8_t* data, std::size_t size) {
    using R = Result<PropertyList>;
    if (size < 8) return R::failure("descriptor too short for its header");
    PropertyList list;
    list.version = u32At(data);
    const std::uint32_t count = u32At(data + 4);
    // Each property needs at least its 16-byte header; refuse counts the data cannot hold.
    if (count > (size - 8) / 16) return R::failure("property count " + std::to_string(count) + " too large");
    std::size_t at = 8;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (size - at < 16) return R::failure("property " + std::to_string(i) + " header runs past the end");
        Property p{u32At(data + at), u32At(data + at + 4), u32At(data + at + 8), {}};
        const std::uint64_t length = u32At(data + at + 12);
        at += 16;
        const std::uint64_t padded = (length + 3) & ~std::uint64_t{3};
        if (padded > size - at)
            return R::failure("property '" + fourCCText(p.key) + "' length runs past the end");
        p.data.assign(data + at, data + at + length);
        at += static_cast<std::size_t>(padded);
        list.properties.push_back(std::move(p));
    }
    return R::success(std::move(list));
}

Result<std::uint32_t> u32Property(const PropertyList& list, std::uint32_t key) {
    const auto p = lookup(list, key, 4);
    if (!p.ok()) return Result<std::uint32_t>::failure(p.error);
    return Result<std::uint32_t>::success(u32At((*p.value)->data.data()));
}

Result<std::uint16_t> u16Property(const PropertyList& list, std::uint32_t key) {
    const auto p = lookup(list, key, 2);
    if (!p.ok()) return Result<std::uint16_t>::failure(p.error);
    const auto& d = (*p.value)->data;
    return Result<std::uint16_t>::success(static_cast<std::uint16_t>(d[0] | d[1] << 8));
}

Result<std::string> pascalStringProperty(const PropertyList& list, std::uint32_t key) {
    const auto p = lookup(list, key, 1);
    if (!p.ok()) return Result<std::string>::failure(p.error);
    const auto& d = (*p.value)->data;
    if (std::size_t{d[0]} + 1 > d.size())
        return Result<std::string>::failure("'" + fourCCText(key) + "' string runs past its property");
    return Result<std::string>::success(std::string(d.begin() + 1, d.begin() + 1 + d[0]));
}

Result<std::string> cStringProperty(const PropertyList& list, std::uint32_t key) {
    const auto p = lookup(list, key, 1);
    if (!p.ok()) return Result<std::string>::failure(p.error);
    const auto& d = (*p.value)->data;
    const auto nul = std::find(d.begin(), d.end(), std::uint8_t{0});
    if (nul == d.end()) return Result<std::string>::failure("'" + fourCCText(key) + "' string has no NUL");
    return Result<std::string>::success(std::string(d.begin(), nul));
}

Result<Descriptor> describe(const PropertyList& list) {
    Descriptor d;
    std::string e;
    take(u32Property(list, PiPL_KEY_KIND), d.kind, e);
    take(pascalStringProperty(list, PiPL_KEY_NAME), d.name, e);
    take(pascalStringProperty(list, PiPL_KEY_CATEGORY), d.category, e);
    take(cStringProperty(list, PiPL_KEY_ENTRY_WIN64), d.entryPoint, e);
    take(u32Property(list, PiPL_KEY_PIPL_VERSION), d.descriptorVersion, e);
    take(u32Property(list, PiPL_KEY_SPEC_VERSION), d.apiVersion, e);
    take(u32Property(list, PiPL_KEY_EFFECT_VERSION), d.effectVersion, e);
    take(u16Property(list, PiPL_KEY_INFO_FLAGS), d.infoFlags, e);
    take(u32Property(list, PiPL_KEY_OUT_FLAGS), d.outFlags, e);
    take(u32Property(list, PiPL_KEY_OUT_FLAGS2), d.outFlags2, e);
    take(pascalStringProperty(list, PiPL_KEY_MATCH_NAME), d.matchName, e);
    take(u32Property(list, PiPL_KEY_RESERVED_INFO), d.reservedInfo, e);
    if (!e.empty()) return Result<Descriptor>::failure(e);
    return Result<Descriptor>::success(std::move(d));
}

Result<PropertyList> readPiplImage(const std::vector<std::uint8_t>& image) {
    const auto span = findElfSection(image, ".pipl");
    if (!span.ok()) return Result<PropertyList>::failure(span.error);
    return decodePropertyList(image.data() + span.value->offset, static_cast<std::size_t>(span.value->size));
}

Result<PropertyList> readPiplFile(const std::string& path) {
    const auto image = readFileBytes(path);
    if (!image.ok()) return Result<PropertyList>::failure(image.error);
    auto list = readPiplImage(*image.value);
    if (!list.ok()) return Result<PropertyList>::failure(path + ": " + list.error);
    return list;
}

}  // namespace duovis::pipl

#pragma once
// Decodes a plug-in descriptor (property list) as the host reads it from a module file.

#include <cstdint>
#include <string>
#include <vector>

#include "Result.h"

namespace duovis::pipl {

struct Property {
    std::uint32_t vendor = 0;
    std::uint32_t key = 0;
    std::uint32_t id = 0;
    std::vector<std::uint8_t> data;  // exactly `length` bytes, padding dropped
};

struct PropertyList {
    std::uint32_t version = 0;
    std::vector<Property> properties;  // in file order

    // First property with the host's vendor code and this key, or null.
    const Property* find(std::uint32_t key) const;
};

// The values a host takes from an effect's descriptor.
struct Descriptor {
    std::uint32_t kind = 0;
    std::string name, category, entryPoint, matchName;
    std::uint32_t descriptorVersion = 0, apiVersion = 0, effectVersion = 0;
    std::uint16_t infoFlags = 0;
    std::uint32_t outFlags = 0, outFlags2 = 0, reservedInfo = 0;
};

// Renders a four-char code as its characters, '?' for unprintable ones.
std::string fourCCText(std::uint32_t code);

Result<PropertyList> decodePropertyList(const std::uint8_t* data, std::size_t size);

// Typed views of one property; each fails when the key is missing or its data does not fit.
Result<std::uint32_t> u32Property(const PropertyList& list, std::uint32_t key);
Result<std::uint16_t> u16Property(const PropertyList& list, std::uint32_t key);
Result<std::string> pascalStringProperty(const PropertyList& list, std::uint32_t key);
Result<std::string> cStringProperty(const PropertyList& list, std::uint32_t key);

Result<Descriptor> describe(const PropertyList& list);

// Decodes the ".pipl" section of a module file image, or of the file itself, without
// loading the module.
Result<PropertyList> readPiplImage(const std::vector<std::uint8_t>& image);
Result<PropertyList> readPiplFile(const std::string& path);

}  // namespace duovis::pipl

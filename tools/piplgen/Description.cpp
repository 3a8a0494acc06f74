#include "Description.h"

#include <cerrno>
#include <cstdlib>
#include <set>
#include <stdexcept>

#include "PiPL.h"

namespace duovis::piplgen {
namespace {

enum class Type { FourCC, PascalString, CString, U32, U16 };

struct TypeName {
    const char* name;
    Type type;
};
constexpr TypeName kTypes[] = {{"fourcc", Type::FourCC},
                               {"pstring", Type::PascalString},
                               {"cstring", Type::CString},
                               {"u32", Type::U32},
                               {"u16", Type::U16}};

struct KeySpec {
    std::uint32_t key;
    Type type;
};
// Every key the host knows and the one value type it reads for it.
constexpr KeySpec kKeys[] = {
    {PiPL_KEY_KIND, Type::FourCC},
    {PiPL_KEY_NAME, Type::PascalString},
    {PiPL_KEY_CATEGORY, Type::PascalString},
    {PiPL_KEY_ENTRY_WIN64, Type::CString},
    {PiPL_KEY_PIPL_VERSION, Type::U32},
    {PiPL_KEY_SPEC_VERSION, Type::U32},
    {PiPL_KEY_EFFECT_VERSION, Type::U32},
    {PiPL_KEY_INFO_FLAGS, Type::U16},
    {PiPL_KEY_OUT_FLAGS, Type::U32},
    {PiPL_KEY_OUT_FLAGS2, Type::U32},
    {PiPL_KEY_MATCH_NAME, Type::PascalString},
    {PiPL_KEY_RESERVED_INFO, Type::U32},
};

const char* typeName(Type t) {
    for (const auto& entry : kTypes)
        if (entry.type == t) return entry.name;
    return "?";
}

struct Token {
    std::string text;
    bool quoted;
};

std::uint32_t fourCC(const std::string& s) {
    return PF_FOUR_CHAR_CODE(static_cast<unsigned char>(s[0]), static_cast<unsigned char>(s[1]),
                             static_cast<unsigned char>(s[2]), static_cast<unsigned char>(s[3]));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

class LineParser {
  public:
    LineParser(const std::string& file, int line) : where_(file + ":" + std::to_string(line) + ": ") {}

    [[noreturn]] void fail(const std::string& message) const { throw std::runtime_error(where_ + message); }

    // Splits a line into bare words and double-quoted strings; '#' outside quotes starts a comment.
    std::vector<Token> tokenize(const std::string& line) const {
        std::vector<Token> tokens;
        std::size_t i = 0;
        while (i < line.size()) {
            const char c = line[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '#') {
                break;
            } else if (c == '"') {
                const std::size_t end = line.find('"', i + 1);
                if (end == std::string::npos) fail("unterminated string");
                std::string text = line.substr(i + 1, end - i - 1);
                for (const char ch : text)
                    if (ch < 0x20 || ch > 0x7E) fail("strings hold printable ASCII only");
                tokens.push_back({std::move(text), true});
                i = end + 1;
            } else {
                const std::size_t end = line.find_first_of(" \t\r#\"", i);
                tokens.push_back({line.substr(i, end - i), false});
                i = end == std::string::npos ? line.size() : end;
            }
        }
        return tokens;
    }

    std::uint64_t number(const Token& token, std::uint64_t max) const {
        const std::string& s = token.text;
        if (token.quoted || s.empty() || s[0] == '-' || s[0] == '+') fail("'" + s + "' is not a number");
        errno = 0;
        char* end = nullptr;
        const unsigned long long v = std::strtoull(s.c_str(), &end, 0);
        if (*end != '\0') fail("'" + s + "' is not a number");
        if (errno == ERANGE || v > max) fail("'" + s + "' is out of range");
        return v;
    }

    std::vector<std::uint8_t> value(Type type, const Token& token) const {
        std::vector<std::uint8_t> data;
        const bool wantsString = type == Type::FourCC || type == Type::PascalString || type == Type::CString;
        if (wantsString && !token.quoted) fail("expected a quoted string, got '" + token.text + "'");
        const std::string& s = token.text;
        switch (type) {
            case Type::FourCC:
                if (s.size() != 4) fail("a four-char code needs exactly four characters");
                putU32(data, fourCC(s));
                break;
            case Type::PascalString:
                if (s.size() > 255) fail("length-prefixed string is longer than 255 characters");
                data.push_back(static_cast<std::uint8_t>(s.size()));
                data.insert(data.end(), s.begin(), s.end());
                break;
            case Type::CString:
                data.assign(s.begin(), s.end());
                data.push_back(0);
                break;
            case Type::U32:
                putU32(data, static_cast<std::uint32_t>(number(token, 0xFFFFFFFFu)));
                break;
            case Type::U16: {
                const auto v = number(token, 0xFFFFu);
                data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
                break;
            }
        }
        return data;
    }

  private:
    std::string where_;
};

}  // namespace

std::vector<std::uint8_t> encodeDescription(std::istream& in, const std::string& fileName) {
    std::vector<std::uint8_t> body;
    std::set<std::uint32_t> seen;
    bool haveVersion = false;
    std::uint32_t version = 0;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        const LineParser parser(fileName, ++lineNo);
        const std::vector<Token> tokens = parser.tokenize(line);
        if (tokens.empty()) continue;
        if (!tokens[0].quoted && tokens[0].text == "version") {
            if (haveVersion || !seen.empty()) parser.fail("'version' must come once, before the properties");
            if (tokens.size() != 2) parser.fail("expected: version <number>");
            version = static_cast<std::uint32_t>(parser.number(tokens[1], 0xFFFFFFFFu));
            haveVersion = true;
            continue;
        }
        if (tokens.size() != 3 || tokens[0].quoted || tokens[1].quoted)
            parser.fail("expected: <key> <type> <value>");
        if (!haveVersion) parser.fail("expected a 'version' line before the first property");
        const std::string& keyText = tokens[0].text;
        const KeySpec* spec = nullptr;
        for (const auto& k : kKeys)
            if (keyText.size() == 4 && k.key == fourCC(keyText)) spec = &k;
        if (spec == nullptr) parser.fail("unknown key '" + keyText + "'");
        const TypeName* type = nullptr;
        for (const auto& t : kTypes)
            if (tokens[1].text == t.name) type = &t;
        if (type == nullptr) parser.fail("unknown type '" + tokens[1].text + "'");
        if (type->type != spec->type)
            parser.fail("key '" + keyText + "' takes " + typeName(spec->type) + ", not " + type->name);
        if (!seen.insert(spec->key).second) parser.fail("duplicate key '" + keyText + "'");

        const std::vector<std::uint8_t> data = parser.value(spec->type, tokens[2]);
        putU32(body, PiPL_VENDOR_CODE);
        putU32(body, spec->key);
        putU32(body, 0);  // property id
        putU32(body, static_cast<std::uint32_t>(data.size()));
        body.insert(body.end(), data.begin(), data.end());
        body.resize((body.size() + 3) & ~std::size_t{3}, 0);
    }
    if (seen.empty()) throw std::runtime_error(fileName + ": no properties");

    std::vector<std::uint8_t> out;
    putU32(out, version);
    putU32(out, static_cast<std::uint32_t>(seen.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace duovis::piplgen

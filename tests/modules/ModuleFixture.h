#pragma once
// Shared pieces of the module tests: the two deliverables, one driven instance, test images.

#include <gtest/gtest.h>

#include <QFile>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "EffectInstance.h"
#include "HandleArena.h"

namespace duovis::moduletest {

using refhost::EffectInstance;
using refhost::HostApp;
using refhost::Layer;
using refhost::Module;
using refhost::PixelFormat;
using refhost::World;

struct Deliverable {
    const char* name;
    const char* path;  // empty when the module is not built
    const char* entryPoint;
    const char* matchName;
    A_u_long version;
};

#ifndef DUOVISX_PATH
#define DUOVISX_PATH ""
#endif
#ifndef DUOVIS_PATH
#define DUOVIS_PATH ""
#endif

inline const Deliverable kDuovisX{"DuovisX", DUOVISX_PATH, "EffectMain", "Corvant DuovisX", 0x80000};
inline const Deliverable kDuovis{"Duovis", DUOVIS_PATH, "EntryPointFunc", "Corvant Duovis", 0x80001};

inline void PrintTo(const Deliverable& d, std::ostream* os) {
    *os << d.name;
}

// Every row of a table, once for each module.
template <class Rows>
auto forBothModules(const Rows& rows) {
    return ::testing::Combine(::testing::Values(kDuovisX, kDuovis), ::testing::ValuesIn(rows));
}

// The name of a (module, row) case: the module's, then the row's `Label` field.
template <auto Label>
struct ModuleRowName {
    template <class Info>
    std::string operator()(const Info& tp) const {
        return std::string(std::get<0>(tp.param).name) + "_" + (std::get<1>(tp.param).*Label);
    }
};

#define SKIP_UNLESS_BUILT(d)                         \
    if (std::string((d).path).empty()) {             \
        GTEST_SKIP() << (d).name << " is not built"; \
    }

// Positions of the entries the tests drive.
enum Pos : int {
    kDisplayType = 5,
    kLgEnable = 7,
    kLgCenterX = 8,
    kLgCenterY = 9,
    kLgRadius = 10,
    kLgBorder = 11,
    kPrimaryDemux = 16,
    kSecondaryLayer = 20,
    kFrameOffset = 23,
};

// Display Type choices (1-based, as the host stores them).
enum Display : A_long {
    kLeft = 1,
    kSbs100 = 4,
    kTb100 = 6,
    kAnaglyph = 8,
    kAnaglyphOptimized = 9,
    kParallax = 14,
};

// A module and one instance of its effect; the instance is set down like a closing host.
struct Session {
    Session(const Deliverable& d, HostApp app) : module(d.path), fx(module, app) {}
    ~Session() {
        fx.sequenceSetdown();
        fx.globalSetdown();
    }
    Module module;
    EffectInstance fx;
};

// 8-bit frame whose every byte depends on position and channel, alpha included.
inline World patternArgb(int w, int h, int seed, int padding = 0) {
    World world(w, h, PixelFormat::Argb8, padding);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            world.setArgb(x, y,
                          PF_Pixel8{static_cast<A_u_char>(200 + (x + y + seed) % 56),
                                    static_cast<A_u_char>((x * 7 + y + seed) & 0xFF),
                                    static_cast<A_u_char>((y * 5 + x * 3 + seed * 2) & 0xFF),
                                    static_cast<A_u_char>((x ^ y) + seed)});
        }
    return world;
}

inline World patternBgra(int w, int h, int seed) {
    World world(w, h, PixelFormat::Bgra32f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            world.setBgra(
                x, y,
                PF_Pixel_BGRA_32f{static_cast<float>(x) / 64.0f, static_cast<float>(y + seed) / 32.0f,
                                  0.25f + static_cast<float>((x + y) % 7) / 8.0f, 1.0f});
        }
    return world;
}

inline World solidArgb(int w, int h, PF_Pixel8 p) {
    World world(w, h, PixelFormat::Argb8);
    world.fillArgb(p);
    return world;
}

inline bool sameArgb(PF_Pixel8 a, PF_Pixel8 b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The 8-byte sequence record: switch then mode, little-endian.
inline std::vector<std::uint8_t> record(std::int32_t displaySwitch, std::int32_t mode) {
    std::vector<std::uint8_t> bytes(8);
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>((static_cast<std::uint32_t>(displaySwitch) >> (8 * i)) & 0xFF);
        bytes[static_cast<std::size_t>(4 + i)] =
            static_cast<std::uint8_t>((static_cast<std::uint32_t>(mode) >> (8 * i)) & 0xFF);
    }
    return bytes;
}

inline std::pair<std::int32_t, std::int32_t> readRecord(PF_Handle handle) {
    const auto bytes = refhost::handles::contents(handle);
    if (bytes.size() < 8) return {0, 0};
    std::uint32_t s = 0, m = 0;
    for (int i = 3; i >= 0; --i) {
        s = (s << 8) | bytes[static_cast<std::size_t>(i)];
        m = (m << 8) | bytes[static_cast<std::size_t>(4 + i)];
    }
    return {static_cast<std::int32_t>(s), static_cast<std::int32_t>(m)};
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) << path.toStdString();
}

}  // namespace duovis::moduletest

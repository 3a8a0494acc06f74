// The "Launch Depthscope" press through the reference host, against a stand-in tool that
// records what it is sent and replies with a chosen block: the stream byte for byte, the reply
// as it lands in the parameters, the time limits, busy and stale sockets, and a missing tool.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "ModuleFixture.h"
#include "ParamId.h"
#include "ToolBlock.h"

#ifndef TOOL_RECORDER_PATH
#define TOOL_RECORDER_PATH ""
#endif

namespace duovis::moduletest {
namespace {

using Slots = std::vector<std::pair<int, int32_t>>;

QByteArray bytesOf(const World& w) {
    return QByteArray(reinterpret_cast<const char*>(w.pixelBytes(0, 0)), w.rowbytes() * w.height());
}

World pattern(HostApp host, int w, int h, int seed) {
    return host == HostApp::AfterEffects ? patternArgb(w, h, seed, 8) : patternBgra(w, h, seed);
}

ToolBlock replyBlock(const Slots& values, const std::vector<int>& maskBits) {
    ToolBlock b;
    for (const auto& [slot, value] : values) b.slot[static_cast<std::size_t>(slot)] = value;
    uint64_t mask = 0;
    for (int bit : maskBits) mask |= uint64_t{1} << bit;
    b.setMask(mask);
    return b;
}

// Each test has its own temporary folder, which is where the sockets live, so tests running
// side by side never meet; the stand-in tool records into it and replies from it.
class ToolLink : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string(TOOL_RECORDER_PATH).empty()) GTEST_SKIP() << "the stand-in tool is not built";
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(QDir(root_.path()).mkpath("tmp") && QDir(root_.path()).mkpath("records"));
        setEnv("TMPDIR", root_.path() + "/tmp");
        setEnv("DUOVIS_DEPTHSCOPE", TOOL_RECORDER_PATH);
        setEnv("DUOVIS_TEST_TOOL_DIR", root_.path() + "/records");
        setEnv("DUOVIS_TEST_TOOL_REPLY", root_.path() + "/reply.bin");
        setEnv("DUOVIS_TEST_TOOL_MODE", "reply");
        setEnv("DUOVIS_TOOL_CONNECT_TIMEOUT_MS", "20000");
        setEnv("DUOVIS_TOOL_REPLY_TIMEOUT_MS", "20000");
        writeReply(ToolBlock{});
    }
    void TearDown() override {
        for (const auto& [name, old] : saved_) {
            if (old.isNull()) {
                qunsetenv(name.c_str());
            } else {
                qputenv(name.c_str(), old);
            }
        }
    }

    void setEnv(const char* name, const QString& value) {
        if (!saved_.count(name))
            saved_[name] = qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray();
        qputenv(name, value.toLocal8Bit());
    }

    void writeReply(const ToolBlock& block) {
        unsigned char bytes[kToolBlockBytes];
        block.toBytes(bytes);
        QFile f(root_.path() + "/reply.bin");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes), kToolBlockBytes);
    }

    QString socketPath(const char* name) const { return root_.path() + "/tmp/" + name; }

    int exchanges() const {
        return static_cast<int>(
            QDir(root_.path() + "/records").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    }
    QByteArray recorded(int exchange, const char* file) const {
        QFile f(root_.path() + QStringLiteral("/records/exchange-%1/").arg(exchange) + file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    ToolBlock sentBlock(int exchange) const {
        const QByteArray s = recorded(exchange, "stream.bin");
        return ToolBlock::fromBytes(reinterpret_cast<const unsigned char*>(s.constData()),
                                    static_cast<std::size_t>(std::min<int>(s.size(), kToolBlockBytes)));
    }

    static void setUp(Session& s, World primary) {
        s.fx.setInput(Layer::still(std::move(primary)));
        ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
        ASSERT_EQ(s.fx.frameSetup(), PF_Err_NONE);  // the frame rate the secondary time is counted in
    }
    static std::vector<int> press(Session& s) {
        EXPECT_EQ(s.fx.userChangedParam(LAUNCH_TOOL), PF_Err_NONE);
        std::vector<int> changed = s.fx.calls().changedPositions;
        std::sort(changed.begin(), changed.end());
        return changed;
    }

    QTemporaryDir root_;
    std::map<std::string, QByteArray> saved_;
};

// ---- The stream, byte for byte ----

struct StreamCase {
    const char* name;
    const Deliverable* module;
    HostApp host;
    int primaryDemux, primaryChannel;  // popups
    bool secondaryChosen;
    int secondaryDemux, secondaryChannel;
    double frameOffset;
    int32_t primaryCode, secondaryCode;  // 0 for the secondary: not sent
};

void PrintTo(const StreamCase& c, std::ostream* os) {
    *os << c.name;
}

const StreamCase kStreamCases[] = {
    {"NoSecondaryX", &kDuovisX, HostApp::AfterEffects, 1, 1, false, 1, 1, 0, 0, 0},
    {"NoSecondary", &kDuovis, HostApp::AfterEffects, 1, 1, false, 1, 1, 0, 0, 0},
    {"PackedBothEyesKeepsTheSecondBack", &kDuovisX, HostApp::AfterEffects, 2, 1, true, 5, 2, 0, 0x31, 0},
    {"TwoLayersAheadX", &kDuovisX, HostApp::AfterEffects, 1, 1, true, 5, 2, 2, 0, 0x17},
    {"TwoLayersBehind", &kDuovis, HostApp::AfterEffects, 1, 1, true, 5, 2, -3, 0, 0x17},
    {"TwoLayersFloatInTheEditingHost", &kDuovisX, HostApp::Premiere, 4, 2, true, 3, 1, 1, 0x25, 0x23},
};

class ToolStream : public ToolLink, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(ToolStream, SendsTheBlockThenEachLayerAsTheHostHoldsIt) {
    const StreamCase& c = GetParam();
    SKIP_UNLESS_BUILT(*c.module);
    Session s(*c.module, c.host);
    const World primary = pattern(c.host, 24, 10, 1);
    ASSERT_NO_FATAL_FAILURE(setUp(s, primary));
    Layer second = Layer::generated([host = c.host](A_long t) { return pattern(host, 20, 8, 40 + t); });
    if (c.secondaryChosen) s.fx.chooseLayer(SECONDARY_LAYER, &second);
    s.fx.time().currentTime = 5;
    refhost::ParamStore& p = s.fx.params();
    p.setPopup(PRIMARY_DEMUX_MODE, c.primaryDemux);
    p.setPopup(PRIMARY_DEMUX_CHANNEL, c.primaryChannel);
    p.setPopup(SECONDARY_DEMUX_MODE, c.secondaryDemux);
    p.setPopup(SECONDARY_DEMUX_CHANNEL, c.secondaryChannel);
    p.setFloat(SECONDARY_FRAME_OFFSET, c.frameOffset);
    p.setFloat(HSHIFT_PCT_B, 12.34567);
    p.setFloat(ROTATE_L, -1.5);
    p.setCheckbox(FLIP_R_H, true);

    EXPECT_TRUE(press(s).empty()) << "a reply with mask 0 changes nothing";
    ASSERT_EQ(exchanges(), 1);
    EXPECT_EQ(recorded(1, "args.txt"), "Plugin");
    EXPECT_EQ(recorded(1, "socket-mode.txt"), "700") << "the socket is for this user only";

    const ToolBlock b = sentBlock(1);
    const std::vector<int32_t> head(b.slot.begin(), b.slot.begin() + 16);
    const World* secondFrame = second.frameAt(5 + static_cast<A_long>(c.frameOffset));
    const bool secondSent = c.secondaryCode != 0;
    const int32_t bpp = 4;  // the slot says 4 whatever the format
    std::vector<int32_t> expected = {256, -1, -1, -1, -1, -1, 24, 10, bpp, primary.rowbytes(), c.primaryCode};
    const std::vector<int32_t> sec = {20, 8, bpp, secondFrame->rowbytes(), c.secondaryCode};
    for (int32_t v : sec) expected.push_back(secondSent ? v : 0);
    EXPECT_EQ(head, expected);
    EXPECT_EQ(b.slot[18], 1);       // "Right Flip Horizontal"
    EXPECT_EQ(b.slot[22], 123456);  // 12.34567 %, truncated
    EXPECT_EQ(b.slot[44], -150);    // "Rotate Left" -1.5
    EXPECT_EQ(b.slot[61], 2500);    // "Field of View" at its default 25
    EXPECT_EQ(b.mask(), 0u);

    const QByteArray stream = recorded(1, "stream.bin");
    QByteArray want = stream.left(kToolBlockBytes) + bytesOf(primary);
    if (secondSent) want += bytesOf(*secondFrame);
    EXPECT_EQ(stream.size(), want.size());
    EXPECT_TRUE(stream == want) << "the pixels differ from the host's buffers";

    // Measured and sent at the current time; the secondary at its offset, in frames of 1 tick.
    int secondaryCheckouts = 0;
    for (const auto& r : s.fx.calls().checkouts) {
        if (r.index == INPUT_LAYER) {
            EXPECT_EQ(r.time, 5);
        }
        if (r.index == SECONDARY_LAYER) {
            EXPECT_EQ(r.time, 5 + static_cast<A_long>(c.frameOffset));
            ++secondaryCheckouts;
        }
    }
    EXPECT_EQ(secondaryCheckouts, secondSent ? 2 : 1);
    EXPECT_EQ(s.fx.calls().checkins, static_cast<int>(s.fx.calls().checkouts.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolStream, ::testing::ValuesIn(kStreamCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

// ---- The reply, as it lands in the parameters ----

struct ReplyCase {
    const char* name;
    Slots values;
    std::vector<int> maskBits;
    A_long width, height;  // the full-resolution layer size the host reports
    A_u_long downsample;
    std::vector<std::pair<ParamId, double>> expect;  // also every position that changes
};

void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.name;
}

const ReplyCase kReplyCases[] = {
    {"PercentShiftWithItsTwin", {{22, 500000}}, {22}, 640, 360, 1, {{HSHIFT_PCT_B, 50}, {HSHIFT_PX_B, 320}}},
    {"HalfResolutionPixelShift",
     {{28, 50500}},
     {28},
     640,
     360,
     2,
     {{HSHIFT_PCT_B, 15.78125}, {HSHIFT_PX_B, 101}}},
    {"MaskZeroChangesNothing", {{22, 500000}, {45, 100}}, {}, 640, 360, 1, {}},
    {"ReservedAndLowSlotsIgnored",
     {{0, 777}, {5, 777}, {9, 777}, {15, 777}, {16, 777}, {19, 777}, {52, 777}, {54, 777}},
     {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 19, 52, 53, 54, 62, 63},
     640,
     360,
     1,
     {}},
    {"HeldToTheValidRange",
     {{45, 100000}, {17, 7}, {61, -5000}},
     {45, 17, 61},
     640,
     360,
     1,
     {{ROTATE_R, 360}, {FLIP_L_H, 1}, {FIELD_OF_VIEW, 1}}},
    {"PercentWinsOverItsPixelTwin",
     {{27, 25000}, {33, 5000}},
     {27, 33},
     640,
     360,
     1,
     {{VSHIFT_PCT_R, 2.5}, {VSHIFT_PX_R, 9}}},
    {"TwinHeldToItsRange", {{22, 600000}}, {22}, 4000, 360, 1, {{HSHIFT_PCT_B, 48}, {HSHIFT_PX_B, 1920}}},
    {"NoTwinFromALayerOfNoSize", {{22, 500000}}, {22}, 0, 0, 1, {{HSHIFT_PCT_B, 50}}},
};

class ToolReply : public ToolLink,
                  public ::testing::WithParamInterface<std::tuple<Deliverable, ReplyCase>> {};

TEST_P(ToolReply, AppliesWhatTheMaskSelects) {
    const auto& [d, c] = GetParam();
    SKIP_UNLESS_BUILT(d);
    writeReply(replyBlock(c.values, c.maskBits));
    Session s(d, HostApp::AfterEffects);
    ASSERT_NO_FATAL_FAILURE(setUp(s, patternArgb(32, 18, 3)));
    s.fx.setSourceSize(c.width, c.height);
    s.fx.time().downsampleX = s.fx.time().downsampleY = PF_RationalScale{1, c.downsample};

    const std::vector<int> changed = press(s);
    ASSERT_EQ(exchanges(), 1);
    std::vector<int> want;
    for (const auto& [id, value] : c.expect) {
        want.push_back(id);
        const PF_ParamDef& def = s.fx.params().at(id);
        const double got =
            def.param_type == PF_Param_CHECKBOX ? s.fx.params().checkbox(id) : s.fx.params().floatValue(id);
        EXPECT_NEAR(got, value, 1e-6) << "position " << id;
    }
    std::sort(want.begin(), want.end());
    EXPECT_EQ(changed, want);
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolReply,
                         ::testing::Combine(::testing::Values(kDuovisX, kDuovis),
                                            ::testing::ValuesIn(kReplyCases)),
                         [](const auto& tp) {
                             return std::string(std::get<0>(tp.param).name) + "_" +
                                    std::get<1>(tp.param).name;
                         });

// Each press is an exchange of its own, and the second starts from what the first applied.
TEST_F(ToolLink, TwoPressesGiveTwoExchanges) {
    SKIP_UNLESS_BUILT(kDuovisX);
    writeReply(replyBlock({{45, 50}}, {45}));
    Session s(kDuovisX, HostApp::AfterEffects);
    ASSERT_NO_FATAL_FAILURE(setUp(s, patternArgb(16, 8, 2)));
    EXPECT_EQ(press(s), std::vector<int>{ROTATE_R});
    EXPECT_EQ(press(s), std::vector<int>{ROTATE_R});
    ASSERT_EQ(exchanges(), 2);
    EXPECT_EQ(sentBlock(1).slot[45], 0);
    EXPECT_EQ(sentBlock(2).slot[45], 50);
    EXPECT_DOUBLE_EQ(s.fx.params().floatValue(ROTATE_R), 0.5);
}

// ---- Time limits and incomplete replies: nothing changes, and the press comes back ----

struct LimitCase {
    const char* name;
    const char* mode;
    const char* connectMs;
    const char* replyMs;
    int exchangesRecorded;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.name;
}

const LimitCase kLimitCases[] = {
    {"ToolNeverConnects", "silent", "300", "20000", 0},
    {"ToolNeverReplies", "no-reply", "20000", "300", 1},
    {"ReplyCutShort", "short-reply", "20000", "20000", 1},
};

class ToolLimits : public ToolLink, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(ToolLimits, AbandonTheExchange) {
    const LimitCase& c = GetParam();
    SKIP_UNLESS_BUILT(kDuovisX);
    setEnv("DUOVIS_TEST_TOOL_MODE", c.mode);
    setEnv("DUOVIS_TOOL_CONNECT_TIMEOUT_MS", c.connectMs);
    setEnv("DUOVIS_TOOL_REPLY_TIMEOUT_MS", c.replyMs);
    writeReply(replyBlock({{22, 500000}}, {22}));
    Session s(kDuovisX, HostApp::AfterEffects);
    ASSERT_NO_FATAL_FAILURE(setUp(s, patternArgb(16, 8, 2)));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(press(s).empty());
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(exchanges(), c.exchangesRecorded);
    EXPECT_FALSE(QFile::exists(socketPath("depthscope.pipe")));
    EXPECT_FALSE(QFile::exists(socketPath("depthscope.pipeout")));
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolLimits, ::testing::ValuesIn(kLimitCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

// ---- Sockets already there ----

// What a crashed host leaves behind: the socket file with no one listening.
void leaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    ASSERT_LT(static_cast<std::size_t>(name.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(path));
}

TEST_F(ToolLink, StaleSocketsAreClearedAndTheExchangeRuns) {
    SKIP_UNLESS_BUILT(kDuovis);
    ASSERT_NO_FATAL_FAILURE(leaveStaleSocket(socketPath("depthscope.pipe")));
    ASSERT_NO_FATAL_FAILURE(leaveStaleSocket(socketPath("depthscope.pipeout")));
    writeReply(replyBlock({{45, 50}}, {45}));
    Session s(kDuovis, HostApp::AfterEffects);
    ASSERT_NO_FATAL_FAILURE(setUp(s, patternArgb(16, 8, 2)));
    EXPECT_EQ(press(s), std::vector<int>{ROTATE_R});
    EXPECT_EQ(exchanges(), 1);
}

class ToolBusy : public ToolLink, public ::testing::WithParamInterface<const char*> {};

// Another exchange holds a socket: the press starts no tool, changes nothing, and leaves the
// other exchange's socket where it was.
TEST_P(ToolBusy, ALiveSocketIsNotTakenOver) {
    SKIP_UNLESS_BUILT(kDuovisX);
    QLocalServer other;
    ASSERT_TRUE(other.listen(QString::fromLatin1(GetParam())));
    writeReply(replyBlock({{45, 50}}, {45}));
    Session s(kDuovisX, HostApp::AfterEffects);
    ASSERT_NO_FATAL_FAILURE(setUp(s, patternArgb(16, 8, 2)));
    EXPECT_TRUE(press(s).empty());
    EXPECT_EQ(exchanges(), 0);
    EXPECT_TRUE(other.isListening());
    QLocalSocket client;
    client.connectToServer(QString::fromLatin1(GetParam()));
    EXPECT_TRUE(client.waitForConnected(1000)) << "the name was taken from its server";
}

INSTANTIATE_TEST_SUITE_P(Sockets, ToolBusy, ::testing::Values("depthscope.pipe", "depthscope.pipeout"),
                         [](const auto& tp) {
                             return tp.index == 0 ? std::string("Stream") : std::string("Reply");
                         });

// ---- No tool to start ----

struct SeenBox {
    int count = 0;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Information;
    int buttons = 0;
};
SeenBox* gSeen = nullptr;

// Closes the message box from inside its own modal loop, once the effect's application exists.
void watchForMessageBox() {
    if (gSeen == nullptr) return;
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [timer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || gSeen == nullptr) return;
        timer->stop();
        ++gSeen->count;
        gSeen->text = box->text();
        gSeen->icon = box->icon();
        gSeen->buttons = static_cast<int>(box->buttons().size());
        box->close();
    });
    timer->start(10);
}

class ToolMissing : public ToolLink, public ::testing::WithParamInterface<std::tuple<Deliverable, bool>> {
  protected:
    void TearDown() override {
        gSeen = nullptr;
        ToolLink::TearDown();
    }
};

TEST_P(ToolMissing, SaysSoAndChangesNothing) {
    const auto& [d, display] = GetParam();
    SKIP_UNLESS_BUILT(d);
    static const bool hooked = [] {
        qAddPreRoutine(watchForMessageBox);
        return true;
    }();
    (void)hooked;
    setEnv("DUOVIS_DEPTHSCOPE", root_.path() + "/no/such/Depthscope");
    if (!display) {  // no window system at all: the effect falls back to the offscreen platform
        for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            setEnv(v, "");
            qunsetenv(v);
        }
    }
    writeReply(replyBlock({{45, 50}}, {45}));
    Session s(d, HostApp::AfterEffects);
    ASSERT_NO_FATAL_FAILURE(setUp(s, patternArgb(16, 8, 2)));
    SeenBox seen;
    gSeen = &seen;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(press(s).empty());
    const std::string err = ::testing::internal::GetCapturedStderr();
    const QString message = QStringLiteral("Corvant Depthscope is not installed.\nPlease check\n");
    EXPECT_EQ(seen.count, 1);
    EXPECT_TRUE(seen.text.startsWith(message)) << seen.text.toStdString();
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_NE(err.find(message.toStdString()), std::string::npos) << "unseen, so also on the error stream";
    EXPECT_EQ(exchanges(), 0);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolMissing,
                         ::testing::Combine(::testing::Values(kDuovisX, kDuovis), ::testing::Bool()),
                         [](const auto& tp) {
                             return std::string(std::get<0>(tp.param).name) +
                                    (std::get<1>(tp.param) ? "_Offscreen" : "_NoDisplay");
                         });

}  // namespace
}  // namespace duovis::moduletest

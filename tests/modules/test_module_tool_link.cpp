// The "Launch Depthscope" press through the reference host, against a stand-in tool that records what
// it is sent and replies with a chosen block: the stream byte for byte, the reply as it lands in the
// parameters, the time limits, busy and stale sockets, and a missing tool.
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
#include "core/params/ParamId.h"
#include "core/params/ToolBlock.h"

#ifndef TOOL_RECORDER_PATH
#define TOOL_RECORDER_PATH ""
#endif

namespace duovis::moduletest {
namespace {

using Slots = std::vector<std::pair<int, int32_t>>;
const auto byName = [](const auto& tp) { return std::string(tp.param.name); };

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

QStringList* gSeen = nullptr;  // each message box shown while a test watches: "icon buttons text"

// Each test has its own temporary folder, which is where the sockets live, so tests running side by
// side never meet; the stand-in tool records into it and replies from it.
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
        gSeen = nullptr;
        session_.reset();  // set down while the test's environment still holds
        for (const auto& [name, old] : saved_)
            old.isNull() ? qunsetenv(name.c_str()) : qputenv(name.c_str(), old);
    }

    void setEnv(const char* name, const QString& value) {
        if (!saved_.count(name))
            saved_[name] = qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray();
        qputenv(name, value.toLocal8Bit());
    }

    void writeReply(const ToolBlock& block) {
        unsigned char bytes[kToolBlockBytes];
        block.toBytes(bytes);
        writeFile(root_.path() + "/reply.bin",
                  QByteArray(reinterpret_cast<const char*>(bytes), kToolBlockBytes));
    }

    QString socketPath(const char* name) const { return root_.path() + "/tmp/" + name; }
    int exchanges() const {
        return static_cast<int>(
            QDir(root_.path() + "/records").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    }
    QByteArray recorded(int exchange, const char* file) const {
        return readFile(root_.path() + QStringLiteral("/records/exchange-%1/").arg(exchange) + file);
    }
    ToolBlock sentBlock(int exchange) const {
        const QByteArray s = recorded(exchange, "stream.bin");
        return ToolBlock::fromBytes(reinterpret_cast<const unsigned char*>(s.constData()),
                                    static_cast<std::size_t>(std::min<int>(s.size(), kToolBlockBytes)));
    }

    // One instance with its input set up and its frame rate known (the secondary's time is counted in
    // frames), replying with `reply`.
    void open(const Deliverable& d, const ToolBlock& reply, World primary = patternArgb(16, 8, 2),
              HostApp host = HostApp::AfterEffects) {
        ASSERT_NO_FATAL_FAILURE(writeReply(reply));
        session_ = std::make_unique<Session>(d, host);
        fx().setInput(Layer::still(std::move(primary)));
        ASSERT_EQ(fx().setUp(), PF_Err_NONE);
        ASSERT_EQ(fx().frameSetup(), PF_Err_NONE);
    }
    EffectInstance& fx() { return session_->fx; }
    std::vector<int> press() {
        EXPECT_EQ(fx().userChangedParam(LAUNCH_TOOL), PF_Err_NONE);
        std::vector<int> changed = fx().calls().changedPositions;
        std::sort(changed.begin(), changed.end());
        return changed;
    }

    QTemporaryDir root_;
    std::map<std::string, QByteArray> saved_;
    std::unique_ptr<Session> session_;
};

const ToolBlock kRotateRight = replyBlock({{45, 50}}, {45});

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
    friend void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }
};

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
    const World primary = pattern(c.host, 24, 10, 1);
    ASSERT_NO_FATAL_FAILURE(open(*c.module, ToolBlock{}, primary, c.host));
    Layer second = Layer::generated([host = c.host](A_long t) { return pattern(host, 20, 8, 40 + t); });
    if (c.secondaryChosen) fx().chooseLayer(SECONDARY_LAYER, &second);
    fx().time().currentTime = 5;
    refhost::ParamStore& p = fx().params();
    p.setPopup(PRIMARY_DEMUX_MODE, c.primaryDemux);
    p.setPopup(PRIMARY_DEMUX_CHANNEL, c.primaryChannel);
    p.setPopup(SECONDARY_DEMUX_MODE, c.secondaryDemux);
    p.setPopup(SECONDARY_DEMUX_CHANNEL, c.secondaryChannel);
    p.setFloat(SECONDARY_FRAME_OFFSET, c.frameOffset);
    p.setFloat(HSHIFT_PCT_B, 12.34567);
    p.setFloat(ROTATE_L, -1.5);
    p.setCheckbox(FLIP_R_H, true);

    EXPECT_TRUE(press().empty()) << "a reply with mask 0 changes nothing";
    ASSERT_EQ(exchanges(), 1);
    EXPECT_EQ(recorded(1, "args.txt"), "Plugin");
    EXPECT_EQ(recorded(1, "socket-mode.txt"), "700") << "the socket is for this user only";

    const ToolBlock b = sentBlock(1);
    const A_long secondTime = 5 + static_cast<A_long>(c.frameOffset);
    const World* secondFrame = second.frameAt(secondTime);
    const bool secondSent = c.secondaryCode != 0;
    const int32_t bpp = 4;  // the slot says 4 whatever the format
    std::vector<int32_t> expected = {256, -1, -1, -1, -1, -1, 24, 10, bpp, primary.rowbytes(), c.primaryCode};
    for (int32_t v : {20, 8, bpp, secondFrame->rowbytes(), c.secondaryCode})
        expected.push_back(secondSent ? v : 0);
    EXPECT_EQ(std::vector<int32_t>(b.slot.begin(), b.slot.begin() + 16), expected);
    EXPECT_EQ(b.slot[18], 1);       // "Right Flip Horizontal"
    EXPECT_EQ(b.slot[22], 123456);  // 12.34567 %, truncated
    EXPECT_EQ(b.slot[44], -150);    // "Rotate Left" -1.5
    EXPECT_EQ(b.slot[61], 2500);    // "Field of View" at its default 25
    EXPECT_EQ(b.mask(), 0u);

    const QByteArray stream = recorded(1, "stream.bin");
    const QByteArray want =
        stream.left(kToolBlockBytes) + bytesOf(primary) + (secondSent ? bytesOf(*secondFrame) : QByteArray());
    EXPECT_EQ(stream.size(), want.size());
    EXPECT_TRUE(stream == want) << "the pixels differ from the host's buffers";

    // Measured and sent at the current time; the secondary at its offset, in frames of 1 tick.
    int secondaryCheckouts = 0;
    for (const auto& r : fx().calls().checkouts) {
        if (r.index == INPUT_LAYER || r.index == SECONDARY_LAYER) {
            EXPECT_EQ(r.time, r.index == INPUT_LAYER ? 5 : secondTime) << "position " << r.index;
        }
        secondaryCheckouts += r.index == SECONDARY_LAYER;
    }
    EXPECT_EQ(secondaryCheckouts, secondSent ? 2 : 1);
    EXPECT_EQ(fx().calls().checkins, static_cast<int>(fx().calls().checkouts.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolStream, ::testing::ValuesIn(kStreamCases), byName);

// ---- The reply, as it lands in the parameters ----

struct ReplyCase {
    const char* name;
    Slots values;
    std::vector<int> maskBits;
    std::vector<std::pair<ParamId, double>> expect;  // also every position that changes
    A_long width = 640, height = 360;                // the full-resolution layer size the host reports
    A_u_long downsample = 1;
    friend void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }
};

const ReplyCase kReplyCases[] = {
    {"PercentShiftWithItsTwin", {{22, 500000}}, {22}, {{HSHIFT_PCT_B, 50}, {HSHIFT_PX_B, 320}}},
    {"HalfResolutionPixelShift",
     {{28, 50500}},
     {28},
     {{HSHIFT_PCT_B, 15.78125}, {HSHIFT_PX_B, 101}},
     640,
     360,
     2},
    {"MaskZeroChangesNothing", {{22, 500000}, {45, 100}}, {}, {}},
    {"ReservedAndLowSlotsIgnored",
     {{0, 777}, {5, 777}, {9, 777}, {15, 777}, {16, 777}, {19, 777}, {52, 777}, {54, 777}},
     {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 19, 52, 53, 54, 62, 63},
     {}},
    {"HeldToTheValidRange",
     {{45, 100000}, {17, 7}, {61, -5000}},
     {45, 17, 61},
     {{ROTATE_R, 360}, {FLIP_L_H, 1}, {FIELD_OF_VIEW, 1}}},
    {"PercentWinsOverItsPixelTwin",
     {{27, 25000}, {33, 5000}},
     {27, 33},
     {{VSHIFT_PCT_R, 2.5}, {VSHIFT_PX_R, 9}}},
    {"TwinHeldToItsRange", {{22, 600000}}, {22}, {{HSHIFT_PCT_B, 48}, {HSHIFT_PX_B, 1920}}, 4000, 360},
    {"NoTwinFromALayerOfNoSize", {{22, 500000}}, {22}, {{HSHIFT_PCT_B, 50}}, 0, 0},
};

class ToolReply : public ToolLink,
                  public ::testing::WithParamInterface<std::tuple<Deliverable, ReplyCase>> {};

TEST_P(ToolReply, AppliesWhatTheMaskSelects) {
    const auto& [d, c] = GetParam();
    SKIP_UNLESS_BUILT(d);
    ASSERT_NO_FATAL_FAILURE(open(d, replyBlock(c.values, c.maskBits), patternArgb(32, 18, 3)));
    fx().setSourceSize(c.width, c.height);
    fx().time().downsampleX = fx().time().downsampleY = PF_RationalScale{1, c.downsample};

    const std::vector<int> changed = press();
    ASSERT_EQ(exchanges(), 1);
    std::vector<int> want;
    for (const auto& [id, value] : c.expect) {
        want.push_back(id);
        const refhost::ParamStore& p = fx().params();
        const double got = p.at(id).param_type == PF_Param_CHECKBOX ? p.checkbox(id) : p.floatValue(id);
        EXPECT_NEAR(got, value, 1e-6) << "position " << id;
    }
    std::sort(want.begin(), want.end());
    EXPECT_EQ(changed, want);
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolReply, forBothModules(kReplyCases),
                         ModuleRowName<&std::decay_t<decltype(kReplyCases[0])>::name>{});

// Each press is an exchange of its own, and the second starts from what the first applied.
TEST_F(ToolLink, TwoPressesGiveTwoExchanges) {
    SKIP_UNLESS_BUILT(kDuovisX);
    ASSERT_NO_FATAL_FAILURE(open(kDuovisX, kRotateRight));
    EXPECT_EQ(press(), std::vector<int>{ROTATE_R});
    EXPECT_EQ(press(), std::vector<int>{ROTATE_R});
    ASSERT_EQ(exchanges(), 2);
    EXPECT_EQ(sentBlock(1).slot[45], 0);
    EXPECT_EQ(sentBlock(2).slot[45], 50);
    EXPECT_DOUBLE_EQ(fx().params().floatValue(ROTATE_R), 0.5);
}

// ---- Time limits and incomplete replies: nothing changes, and the press comes back ----

struct LimitCase {
    const char* name;
    const char *mode, *connectMs, *replyMs;
    int exchangesRecorded;
    friend void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }
};

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
    ASSERT_NO_FATAL_FAILURE(open(kDuovisX, replyBlock({{22, 500000}}, {22})));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(press().empty());
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(exchanges(), c.exchangesRecorded);
    EXPECT_FALSE(QFile::exists(socketPath("depthscope.pipe")));
    EXPECT_FALSE(QFile::exists(socketPath("depthscope.pipeout")));
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolLimits, ::testing::ValuesIn(kLimitCases), byName);

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
    ASSERT_NO_FATAL_FAILURE(open(kDuovis, kRotateRight));
    EXPECT_EQ(press(), std::vector<int>{ROTATE_R});
    EXPECT_EQ(exchanges(), 1);
}

class ToolBusy : public ToolLink, public ::testing::WithParamInterface<const char*> {};

// Another exchange holds a socket: the press starts no tool, changes nothing, and leaves the other
// exchange's socket where it was.
TEST_P(ToolBusy, ALiveSocketIsNotTakenOver) {
    SKIP_UNLESS_BUILT(kDuovisX);
    QLocalServer other;
    ASSERT_TRUE(other.listen(QString::fromLatin1(GetParam())));
    ASSERT_NO_FATAL_FAILURE(open(kDuovisX, kRotateRight));
    EXPECT_TRUE(press().empty());
    EXPECT_EQ(exchanges(), 0);
    EXPECT_TRUE(other.isListening());
    QLocalSocket client;
    client.connectToServer(QString::fromLatin1(GetParam()));
    EXPECT_TRUE(client.waitForConnected(1000)) << "the name was taken from its server";
}

INSTANTIATE_TEST_SUITE_P(Sockets, ToolBusy, ::testing::Values("depthscope.pipe", "depthscope.pipeout"),
                         [](const auto& tp) { return std::string(tp.index == 0 ? "Stream" : "Reply"); });

// ---- No tool to start ----

// Closes the message box from inside its own modal loop, once the effect's application exists.
void watchForMessageBox() {
    if (gSeen == nullptr) return;
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [timer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || gSeen == nullptr) return;
        timer->stop();
        *gSeen << QString::number(box->icon()) + ' ' + QString::number(box->buttons().size()) + ' ' +
                      box->text();
        box->close();
    });
    timer->start(10);
}

class ToolMissing : public ToolLink, public ::testing::WithParamInterface<std::tuple<Deliverable, bool>> {};

TEST_P(ToolMissing, SaysSoAndChangesNothing) {
    const auto& [d, display] = GetParam();
    SKIP_UNLESS_BUILT(d);
    [[maybe_unused]] static const bool hooked = (qAddPreRoutine(watchForMessageBox), true);
    setEnv("DUOVIS_DEPTHSCOPE", root_.path() + "/no/such/Depthscope");
    if (!display) {  // no window system: the effect falls back to the offscreen platform
        for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            setEnv(v, "");
            qunsetenv(v);
        }
    }
    ASSERT_NO_FATAL_FAILURE(open(d, kRotateRight));
    QStringList seen;
    gSeen = &seen;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(press().empty());
    const std::string err = ::testing::internal::GetCapturedStderr();
    const QString message = QStringLiteral("Corvant Depthscope is not installed.\nPlease check\n");
    EXPECT_EQ(seen.size(), 1);
    const QString noIconOneButton = QString::number(QMessageBox::NoIcon) + " 1 ";
    EXPECT_TRUE(seen.value(0).startsWith(noIconOneButton + message)) << seen.value(0).toStdString();
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

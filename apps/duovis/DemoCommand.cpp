#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "Args.h"
#include "Commands.h"
#include "ContactSheet.h"
#include "DemoScene.h"
#include "HostOptions.h"
#include "media/AtomicSave.h"
#include "media/QtPicture.h"
#include "media/StillFile.h"
#include "media/VideoWriter.h"
#include "session/ImageWorld.h"
#include "session/ParamAssign.h"
#include "session/ParamDescribe.h"
#include "session/PluginLocator.h"
#include "session/RenderJob.h"

namespace duovis::cli {

using namespace session;

namespace {

constexpr int kEyeWidth = 640;
constexpr int kEyeHeight = 360;
// The numbered sequence: the right camera started this many frames before the left one, so
// left frame N pairs with right frame N + kRightLead (the effect's secondary frame offset).
constexpr int kSequenceFrames = 4;
constexpr int kRightLead = 2;
constexpr int kClipFrames = 12;

struct Variant {
    QString file;
    QString label;
    std::vector<std::string> params;
};

QString slug(const std::string& text) {
    QString out;
    for (const QChar c : QString::fromStdString(text).toLower()) {
        if (c.isLetterOrNumber()) {
            out += c;
        } else if (!out.endsWith('-')) {
            out += '-';
        }
    }
    while (out.endsWith('-')) out.chop(1);
    return out;
}

std::vector<Variant> variants(const std::vector<std::string>& displayTypes, const DemoScene& scene) {
    std::vector<Variant> out;
    for (std::size_t i = 0; i < displayTypes.size(); ++i) {
        const QString n = QString::number(i + 1).rightJustified(2, '0');
        out.push_back({n + "-" + slug(displayTypes[i]) + ".png",
                       QString::fromStdString(displayTypes[i]),
                       {"Display Type=" + std::to_string(i + 1)}});
    }
    // Undo the rig's drift, then let the effect crop and centre what is left.
    const double shiftPct = -scene.verticalOffsetPx / kEyeHeight * 100.0;
    out.push_back({"15-auto-adjusted.png",
                   "Auto-adjusted anaglyph",
                   {"Display Type=Anaglyph (Optimized)", "Vertical Shift Right %=" + std::to_string(shiftPct),
                    "Rotate Right=" + std::to_string(-scene.rotationDeg), "Auto Crop=on", "Auto Center=on",
                    "Auto Scale=Scale-To-Fit"}});
    out.push_back({"16-looking-glass.png",
                   "Looking glass",
                   {"Display Type=Anaglyph (Red/Cyan)", "3D Looking Glass/Enable=on", "Radius (%)=35"}});
    return out;
}

// Left frames 1..kSequenceFrames and right frames 1..kSequenceFrames + kRightLead, each
// showing the scene at its own eye's time.
void writeSequence(const QString& dir) {
    if (!QDir().mkpath(dir)) throw std::runtime_error(dir.toStdString() + ": cannot create directory");
    const auto name = [&dir](const char* eye, int frame) {
        return dir + "/" + eye + "_" + QString::number(frame).rightJustified(4, '0') + ".png";
    };
    for (int frame = 1; frame <= kSequenceFrames + kRightLead; ++frame) {
        if (frame <= kSequenceFrames)
            saveImageAtomically(makeDemoScene(kEyeWidth, kEyeHeight, frame).left, name("left", frame));
        saveImageAtomically(makeDemoScene(kEyeWidth, kEyeHeight, frame - kRightLead).right,
                            name("right", frame));
    }
}

// Every eye as a picture of the frame's moment; one frame of the demo's video and EXR shot.
struct EyePair {
    media::Picture left, right;
};
EyePair eyesAt(int frame) {
    const DemoScene scene = makeDemoScene(kEyeWidth, kEyeHeight, frame);
    return {media::pictureFromImage(scene.left), media::pictureFromImage(scene.right)};
}

// A short side-by-side clip (both eyes at full width) that says so in its stereo metadata.
void writeClip(const QString& path) {
    media::VideoSettings settings;
    settings.layout.packing = media::Packing::SideBySide;
    media::VideoWriter video(QFile::encodeName(path).toStdString(), settings, 2 * kEyeWidth, kEyeHeight);
    for (int frame = 1; frame <= kClipFrames; ++frame) {
        const EyePair eyes = eyesAt(frame);
        media::Picture sbs = media::Picture::bytes(2 * kEyeWidth, kEyeHeight);
        for (int y = 0; y < kEyeHeight; ++y) {
            std::copy_n(eyes.left.row8(y), kEyeWidth * 4, sbs.row8(y));
            std::copy_n(eyes.right.row8(y), kEyeWidth * 4, sbs.row8(y) + kEyeWidth * 4);
        }
        video.write(sbs);
    }
    video.finish();
}

// A two-view OpenEXR shot: each file holds the left and the right view of one frame.
void writeExrShot(const QString& dir) {
    for (int frame = 1; frame <= kSequenceFrames; ++frame) {
        EyePair eyes = eyesAt(frame);
        media::Frame views{{std::move(eyes.left), std::move(eyes.right)}};
        const QString name = dir + "/shot." + QString::number(frame).rightJustified(4, '0') + ".exr";
        saveBytesAtomically(media::encodeStill(views, QFile::encodeName(name).toStdString()), name);
    }
}

}  // namespace

int demoCommand(const std::vector<std::string>& words) {
    OptionSpec spec;
    spec.flags = {"--help"};
    spec.valued = {"--output", "--plugin-dir", "--threads"};
    spec.aliases = {{"-o", "--output"}, {"-h", "--help"}};
    const Args args(words, spec);
    if (args.has("--help")) {
        std::fputs(
            "usage: duovis demo [-o DIR] [--plugin-dir DIR] [--threads N]\n"
            "Renders a built-in stereo scene through DuovisX in every display type, plus an\n"
            "auto-adjusted and a looking-glass variant, with a contact sheet (default DIR: ./duovis-demo).\n"
            "Also writes the scene's two eyes (00-scene-left.png, 00-scene-right.png) and a short\n"
            "sequence in DIR/sequence: left_%04d.png, and right_%04d.png numbered two frames later\n"
            "for the same moment (render it with SECONDARY_FRAME_OFFSET=2), a short side-by-side\n"
            "video clip.mp4 that says so in its stereo metadata, and a two-view OpenEXR shot\n"
            "shot.%04d.exr (views left and right).\n" DUOVIS_THREADS_HELP,
            stdout);
        return 0;
    }
    if (!args.positional().empty())
        throw std::runtime_error("demo takes no file: '" + args.positional()[0] + "'");
    const int threads = hostThreadsFromArgs(args);
    const QString dir = QString::fromStdString(args.value("--output").value_or("duovis-demo"));
    if (!QDir().mkpath(dir)) throw std::runtime_error(dir.toStdString() + ": cannot create directory");

    const std::string modulePath = locatePlugin("DuovisX", args.value("--plugin-dir"));
    const DemoScene scene = makeDemoScene(kEyeWidth, kEyeHeight);
    saveImageAtomically(scene.left, dir + "/00-scene-left.png");
    saveImageAtomically(scene.right, dir + "/00-scene-right.png");
    writeSequence(dir + "/sequence");
    writeClip(dir + "/clip.mp4");
    writeExrShot(dir);

    std::vector<std::string> displayTypes;
    {
        RenderJob probe(modulePath, refhost::HostApp::AfterEffects);
        const int pos = resolveParam(probe.params(), "Display Type");
        displayTypes = popupChoices(probe.params().at(pos));
    }
    std::vector<SheetEntry> sheet;
    for (const Variant& v : variants(displayTypes, scene)) {
        RenderJob job(modulePath, refhost::HostApp::AfterEffects);
        job.setWorkerThreads(threads);
        for (const auto& p : v.params) job.assign(p);
        const refhost::World left = toWorld(scene.left, job.pixelFormat());
        const refhost::World right = toWorld(scene.right, job.pixelFormat());
        const QImage out = fromWorld(job.render(left, &right), false);
        saveImageAtomically(out, dir + "/" + v.file);
        sheet.push_back({v.label, out});
    }
    const QString sheetPath = dir + "/contact-sheet.png";
    saveImageAtomically(makeContactSheet(sheet, 4, 320), sheetPath);
    std::printf(
        "wrote %zu renders, the scene's two eyes, a short sequence, clip.mp4 and shot.%%04d.exr to "
        "%s\ncontact sheet: %s\n",
        sheet.size(), QDir(dir).absolutePath().toUtf8().constData(),
        QDir(dir).absoluteFilePath("contact-sheet.png").toUtf8().constData());
    return 0;
}

}  // namespace duovis::cli

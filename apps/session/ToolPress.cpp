#include "session/ToolPress.h"

#include <QCoreApplication>
#include <QFile>
#include <utility>

#include "core/params/ParamId.h"
#include "session/EffectCheck.h"
#include "session/ImageInput.h"

namespace duovis::session {

namespace {

refhost::World pictureWorld(const QString& file, refhost::PixelFormat format) {
    return readWorld(QFile::encodeName(file).toStdString(), format, maxInputPixels(std::nullopt));
}

refhost::World layerWorld(const ProjectLayer& layer, refhost::PixelFormat format) {
    if (layer.file.isEmpty()) return refhost::World(layer.width, layer.height, format);
    return pictureWorld(layer.file, format);
}

}  // namespace

int pressToolButton(refhost::EffectInstance& fx, const Project& project) {
    refhost::Layer primary = refhost::Layer::still(layerWorld(project.primary, fx.pixelFormat()));
    if (project.second.isEmpty()) return pressToolButton(fx, std::move(primary), nullptr);
    refhost::Layer second = refhost::Layer::still(pictureWorld(project.second, fx.pixelFormat()));
    return pressToolButton(fx, std::move(primary), &second);
}

int pressToolButton(refhost::EffectInstance& fx, refhost::Layer primary, refhost::Layer* second) {
    if (qEnvironmentVariable("DUOVIS_DEPTHSCOPE").isEmpty())
        qputenv("DUOVIS_DEPTHSCOPE",
                QFile::encodeName(QCoreApplication::applicationDirPath() + "/depthscope"));
    fx.setInput(std::move(primary));
    if (second) fx.chooseLayer(SECONDARY_LAYER, second);
    // A host has set up a frame before the user reaches the button; that gives the effect the
    // frame rate the secondary layer's offset is counted in.
    PF_Err err = fx.frameSetup();
    if (err == PF_Err_NONE) err = fx.userChangedParam(LAUNCH_TOOL);
    fx.chooseLayer(SECONDARY_LAYER, nullptr);  // the layer goes out of scope here
    checkEffect(err, "the tool button press");
    return static_cast<int>(fx.calls().changedPositions.size());
}

}  // namespace duovis::session

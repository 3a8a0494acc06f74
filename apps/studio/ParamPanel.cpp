#include "ParamPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <cmath>
#include <vector>

#include "WheelGuard.h"
#include "session/ParamDescribe.h"

namespace duovis::studio {

namespace {

QString text(const char* s) {
    return QString::fromUtf8(s != nullptr ? s : "");
}

double sliderValue(const PF_FloatSliderDef& fs, int step) {
    const double low = fs.slider_min;
    const double high = fs.slider_max;
    return low + (high - low) * step / ParamPanel::kSliderSteps;
}

int sliderStep(const PF_FloatSliderDef& fs, double value) {
    const double low = fs.slider_min;
    const double span = static_cast<double>(fs.slider_max) - low;
    if (span <= 0) return 0;
    const double t = std::clamp((value - low) / span, 0.0, 1.0);
    return static_cast<int>(std::lround(t * ParamPanel::kSliderSteps));
}

// A group's heading folds its entries away, as the hosts' panels do.
QFormLayout* section(QFormLayout* parent, const QString& name, QWidget* owner) {
    auto* header = new QToolButton(owner);
    header->setText(name);
    header->setCheckable(true);
    header->setChecked(true);
    header->setArrowType(Qt::DownArrow);
    header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    header->setAutoRaise(true);
    auto* body = new QWidget(owner);
    auto* form = new QFormLayout(body);
    form->setContentsMargins(12, 0, 0, 0);
    QObject::connect(header, &QToolButton::toggled, body, [header, body](bool open) {
        body->setVisible(open);
        header->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    });
    parent->addRow(header);
    parent->addRow(body);
    return form;
}

}  // namespace

ParamPanel::ParamPanel(const refhost::ParamStore& store, QWidget* parent) : QWidget(parent) {
    auto* root = new QFormLayout(this);
    std::vector<QFormLayout*> open{root};
    for (int i = 1; i < store.count(); ++i) {
        const PF_ParamDef& def = store.at(i);
        const bool invisible = (def.ui_flags & PF_PUI_INVISIBLE) != 0;
        if (def.param_type == PF_Param_GROUP_START) {
            // An invisible group still nests what follows; its entries go where it would be.
            open.push_back(invisible ? open.back() : section(open.back(), text(def.name), this));
            continue;
        }
        if (def.param_type == PF_Param_GROUP_END) {
            if (open.size() > 1) open.pop_back();
            continue;
        }
        if (invisible) continue;
        if ((def.ui_flags & PF_PUI_ECW_SEPARATOR) != 0) {
            auto* line = new QFrame(this);
            line->setFrameShape(QFrame::HLine);
            open.back()->addRow(line);
        }
        QWidget* control = controlFor(i, def);
        control->setObjectName(QStringLiteral("param-%1").arg(i));
        control->setToolTip(text(def.name));
        controls_[i] = control;
        if (def.param_type == PF_Param_BUTTON)
            open.back()->addRow(QString(), control);
        else
            open.back()->addRow(text(def.name), control);
    }
    WheelGuard::guardControlsUnder(this);
    refresh(store);
}

QWidget* ParamPanel::controlFor(int position, const PF_ParamDef& def) {
    switch (def.param_type) {
        case PF_Param_POPUP: {
            auto* box = new QComboBox(this);
            for (const std::string& choice : session::popupChoices(def))
                box->addItem(QString::fromStdString(choice));
            connect(box, QOverload<int>::of(&QComboBox::activated), this,
                    [this, position](int index) { emit edited(position, index + 1); });
            return box;
        }
        case PF_Param_CHECKBOX: {
            auto* box = new QCheckBox(text(def.u.bd.nameptr), this);
            connect(box, &QCheckBox::clicked, this,
                    [this, position](bool on) { emit edited(position, on ? 1 : 0); });
            return box;
        }
        case PF_Param_FLOAT_SLIDER:
            return floatControl(position, def);
        case PF_Param_BUTTON: {
            auto* button = new QPushButton(text(def.u.button_d.namesptr), this);
            connect(button, &QPushButton::clicked, this, [this, position] { emit pressed(position); });
            return button;
        }
        case PF_Param_ARBITRARY_DATA:
            if ((def.ui_flags & PF_PUI_CONTROL) != 0) {
                auto* area = new QLabel(this);
                area->setFixedSize(def.ui_width, def.ui_height);
                customAreas_[position] = area;
                return area;
            }
            return new QLabel(this);
        case PF_Param_LAYER: {
            auto* box = new QComboBox(this);
            box->addItem(tr("None"));
            connect(box, QOverload<int>::of(&QComboBox::activated), this,
                    [this, position](int index) { emit layerChosen(position, index - 1); });
            layers_[position] = box;
            return box;
        }
        default: {  // a colour: a swatch of its value
            auto* swatch = new QLabel(this);
            swatch->setFixedSize(40, 16);
            swatch->setAutoFillBackground(true);
            return swatch;
        }
    }
}

QWidget* ParamPanel::floatControl(int position, const PF_ParamDef& def) {
    const PF_FloatSliderDef fs = def.u.fs_d;
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* slider = new QSlider(Qt::Horizontal, box);
    slider->setObjectName(QStringLiteral("param-%1-slider").arg(position));
    slider->setRange(0, kSliderSteps);
    auto* spin = new QDoubleSpinBox(box);
    spin->setObjectName(QStringLiteral("param-%1-value").arg(position));
    spin->setRange(fs.valid_min, fs.valid_max);
    spin->setDecimals(std::max<int>(fs.precision, 0));
    spin->setSingleStep(std::pow(10.0, -std::max<int>(fs.precision, 0)));
    spin->setKeyboardTracking(false);
    row->addWidget(slider, 1);
    row->addWidget(spin);
    connect(slider, &QSlider::valueChanged, this,
            [this, position, fs](int step) { emit edited(position, sliderValue(fs, step)); });
    connect(slider, &QSlider::sliderPressed, this, &ParamPanel::dragStarted);
    connect(slider, &QSlider::sliderReleased, this, &ParamPanel::dragFinished);
    connect(spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this, position](double v) { emit edited(position, v); });
    return box;
}

void ParamPanel::refresh(const refhost::ParamStore& store) {
    for (const auto& [position, control] : controls_) {
        const PF_ParamDef& def = store.at(position);
        switch (def.param_type) {
            case PF_Param_POPUP: {
                auto* box = static_cast<QComboBox*>(control);
                const QSignalBlocker block(box);
                box->setCurrentIndex(static_cast<int>(def.u.pd.value) - 1);
                break;
            }
            case PF_Param_CHECKBOX: {
                auto* box = static_cast<QCheckBox*>(control);
                const QSignalBlocker block(box);
                box->setChecked(def.u.bd.value != 0);
                break;
            }
            case PF_Param_FLOAT_SLIDER: {
                auto* slider = control->findChild<QSlider*>();
                auto* spin = control->findChild<QDoubleSpinBox*>();
                const QSignalBlocker blockSlider(slider);
                const QSignalBlocker blockSpin(spin);
                // A dragged slider stays under the pointer; the number shows what the effect took.
                if (!slider->isSliderDown()) slider->setValue(sliderStep(def.u.fs_d, def.u.fs_d.value));
                spin->setValue(def.u.fs_d.value);
                break;
            }
            case PF_Param_COLOR: {
                QPalette palette = control->palette();
                const PF_Pixel c = def.u.cd.value;
                palette.setColor(QPalette::Window, QColor(c.red, c.green, c.blue));
                control->setPalette(palette);
                break;
            }
            default:
                break;
        }
    }
}

void ParamPanel::setCustomArea(int position, const QImage& area) {
    if (auto it = customAreas_.find(position); it != customAreas_.end())
        it->second->setPixmap(QPixmap::fromImage(area));
}

void ParamPanel::setLayers(const QStringList& names, int chosen) {
    for (auto& [position, box] : layers_) {
        const QSignalBlocker block(box);
        while (box->count() > 1) box->removeItem(1);
        box->addItems(names);
        box->setCurrentIndex(chosen + 1);
    }
}

}  // namespace duovis::studio

#include "ParamPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <cmath>
#include <vector>

#include "FormRows.h"
#include "KeyButton.h"
#include "PanelFit.h"
#include "StatusBox.h"
#include "ValueControls.h"
#include "WheelGuard.h"
#include "session/ParamDescribe.h"

namespace duovis::studio {

namespace {

QString text(const char* s) {
    return QString::fromUtf8(s != nullptr ? s : "");
}

// A click on a checkbox's name in the panel's left column toggles it, as a click on its own
// text does.
class LabelToggles : public QObject {
  public:
    LabelToggles(QLabel* label, QCheckBox* box) : QObject(label), box_(box) {
        label->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonRelease) return false;
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && box_->isEnabled()) box_->click();
        return true;
    }

  private:
    QCheckBox* box_;
};

QString unitText(int position) {
    return QString::fromStdString(session::docAt(position).unit);
}

// What a control does, in which unit, by which identifier it is set, and how to move it finely.
QString tooltipFor(int position, const PF_ParamDef& def) {
    const ParamDoc doc = session::docAt(position);
    QString tip =
        QStringLiteral("<b>%1</b> (%2)")
            .arg(text(def.name).toHtmlEscaped(), QString::fromStdString(session::identifierAt(position)));
    if (!doc.description.empty())
        tip += QStringLiteral("<br>") + QString::fromStdString(doc.description).toHtmlEscaped();
    if (def.param_type == PF_Param_FLOAT_SLIDER) {
        const QString unit = unitText(position);
        const double step = unitStep(unit);
        tip +=
            QStringLiteral(
                "<br>Arrow keys: %1 %2, with Shift %3. Drag with Shift to move finely, with Ctrl coarsely.")
                .arg(step)
                .arg(unit)
                .arg(step * 10);
    }
    return tip;
}

}  // namespace

ParamPanel::ParamPanel(const refhost::ParamStore& store, QWidget* parent) : QWidget(parent) {
    forms_.push_back(std::make_unique<FormRows>(fittingForm(this)));
    std::vector<FormRows*> open{forms_.front().get()};
    std::vector<int> within{-1};  // the section each open form belongs to
    for (int i = 1; i < store.count(); ++i) {
        const PF_ParamDef& def = store.at(i);
        const bool invisible = (def.ui_flags & PF_PUI_INVISIBLE) != 0;
        if (def.param_type == PF_Param_GROUP_START) {
            // An invisible group still nests what follows; its entries go where it would be.
            if (invisible) {
                open.push_back(open.back());
                within.push_back(within.back());
            } else {
                open.push_back(addSection(open.back(), text(def.name), within.back()));
                within.push_back(static_cast<int>(sections_.size()) - 1);
            }
            continue;
        }
        if (def.param_type == PF_Param_GROUP_END) {
            if (open.size() > 1) {
                open.pop_back();
                within.pop_back();
            }
            continue;
        }
        if (invisible) continue;
        if ((def.ui_flags & PF_PUI_ECW_SEPARATOR) != 0) {
            auto* line = new QFrame(this);
            line->setFrameShape(QFrame::HLine);
            separators_.push_back(line);
            open.back()->add(nullptr, line);
        }
        QWidget* control = controlFor(i, def);
        control->setObjectName(QStringLiteral("param-%1").arg(i));
        control->setToolTip(tooltipFor(i, def));
        offerReset(i, def, control);
        controls_[i] = control;
        QWidget* field = store.timeVaries(i) ? withKeyButton(i, control) : control;
        fieldPositions_[field] = i;
        QLabel* label = def.param_type == PF_Param_BUTTON ? nullptr : rowName(text(def.name), this);
        open.back()->add(label, field);
        const QString words =
            text(def.name) + QLatin1Char(' ') + QString::fromStdString(session::identifierAt(i));
        if (auto* box = qobject_cast<QCheckBox*>(control); box && label) new LabelToggles(label, box);
        rows_.push_back({words, label, field, within.back()});
    }
    WheelGuard::guardControlsUnder(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { followFocus(now); });
    connect(this, &ParamPanel::edited, this, [this](int position) { select(position); });
    refresh(store);
}

QWidget* ParamPanel::withKeyButton(int position, QWidget* control) {
    auto* field = new QWidget(this);
    auto* row = new QHBoxLayout(field);
    row->setContentsMargins(0, 0, 0, 0);
    auto* key = new KeyButton(field);
    key->setObjectName(QStringLiteral("key-%1").arg(position));
    connect(key, &KeyButton::clicked, this, [this, position] {
        select(position);
        emit keyToggled(position);
    });
    connect(key, &KeyButton::holdChosen, this, [this, position](bool hold) {
        select(position);
        emit keyHoldChosen(position, hold);
    });
    row->addWidget(control, 1);
    row->addWidget(key);
    keyButtons_[position] = key;
    return field;
}

// Working in a control's field selects it.
void ParamPanel::followFocus(QWidget* now) {
    for (QWidget* w = now; w != nullptr && w != this; w = w->parentWidget()) {
        if (const auto it = fieldPositions_.find(w); it != fieldPositions_.end()) {
            select(it->second);
            return;
        }
    }
}

void ParamPanel::select(int position) {
    if (position == selected_) return;
    selected_ = position;
    emit selectionChanged(position);
}

void ParamPanel::showKeyMarks(const refhost::ParamStore& store) {
    for (const auto& [position, key] : keyButtons_) {
        const refhost::Keyframe* here = store.keyAt(position, store.now());
        key->setMark(keyMarkAt(store, position), here != nullptr && here->hold);
    }
}

QWidget* ParamPanel::controlFor(int position, const PF_ParamDef& def) {
    switch (def.param_type) {
        case PF_Param_POPUP: {
            auto* box = new QComboBox(this);
            letNarrow(box);
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
                auto* area = makeStatusBox(this, def.ui_height);
                customAreas_[position] = area;
                return area;
            }
            return new QLabel(this);
        case PF_Param_LAYER: {
            auto* box = new QComboBox(this);
            letNarrow(box);
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
    const QString unit = unitText(position);
    const double step = unitStep(unit);
    auto* slider = new FineSlider(fs.slider_min, fs.slider_max, step, box);
    slider->setObjectName(QStringLiteral("param-%1-slider").arg(position));
    keepGrip(slider);
    auto* spin = new ValueSpinBox(unit, fs.precision, step, box);
    spin->setObjectName(QStringLiteral("param-%1-value").arg(position));
    spin->setRange(fs.valid_min, fs.valid_max);
    row->addWidget(slider, 1);
    row->addWidget(spin);
    connect(slider, &QSlider::valueChanged, this,
            [this, position, slider](int at) { emit edited(position, slider->valueAt(at)); });
    connect(slider, &FineSlider::valueRequested, this, [this, position, fs](double v) {
        emit edited(position,
                    std::clamp(v, static_cast<double>(fs.valid_min), static_cast<double>(fs.valid_max)));
    });
    connect(slider, &QSlider::sliderPressed, this, &ParamPanel::dragStarted);
    connect(slider, &QSlider::sliderReleased, this, &ParamPanel::dragFinished);
    connect(spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this, position](double v) { emit edited(position, v); });
    return box;
}

void ParamPanel::refresh(const refhost::ParamStore& store) {
    showKeyMarks(store);
    for (const auto& [position, control] : controls_) {
        const PF_ParamDef def = store.current(position);  // an animated value at this frame
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
                auto* slider = control->findChild<FineSlider*>();
                auto* spin = control->findChild<QDoubleSpinBox*>();
                const QSignalBlocker blockSpin(spin);
                // A dragged slider stays under the pointer; the number shows what the effect took.
                slider->showValue(def.u.fs_d.value);
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

void ParamPanel::setCustomArea(int position, const QString& drawnText) {
    if (auto it = customAreas_.find(position); it != customAreas_.end()) it->second->setText(drawnText);
}

void ParamPanel::setLayers(const QStringList& names, int chosen) {
    for (auto& [position, box] : layers_) {
        const QSignalBlocker block(box);
        while (box->count() > 1) box->removeItem(1);
        box->addItems(names);
        box->setCurrentIndex(chosen + 1);
    }
}

// A group's heading folds its entries away, as the hosts' panels do.
FormRows* ParamPanel::addSection(FormRows* parent, const QString& name, int parentSection) {
    auto* header = new QToolButton(this);
    header->setText(name);
    header->setCheckable(true);
    header->setChecked(true);
    header->setArrowType(Qt::DownArrow);
    header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    header->setAutoRaise(true);
    letNarrow(header);
    auto* body = new QWidget(this);
    forms_.push_back(std::make_unique<FormRows>(fittingForm(body)));
    forms_.back()->form()->setContentsMargins(12, 0, 0, 0);
    QObject::connect(header, &QToolButton::toggled, body, [this, header, body](bool open) {
        header->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        if (!filter_.isEmpty()) return;
        body->setVisible(open);
        placeRows();
    });
    parent->add(nullptr, header);
    parent->add(nullptr, body);
    sections_.push_back({name, header, body, parentSection});
    return forms_.back().get();
}

void ParamPanel::setAllExpanded(bool open) {
    for (const Section& s : sections_) s.header->setChecked(open);
}

// A row shows when its name or identifier, or a group around it, holds the words; a group
// shows when anything in it does, and opens while the filter holds.
void ParamPanel::setFilter(const QString& words) {
    filter_ = words.trimmed();
    const auto holds = [this](const QString& text) { return text.contains(filter_, Qt::CaseInsensitive); };
    std::vector<bool> sectionNamed(sections_.size()), sectionShown(sections_.size());
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        const int parent = sections_[s].parent;
        sectionNamed[s] = holds(sections_[s].name) || (parent >= 0 && sectionNamed[std::size_t(parent)]);
    }
    for (const Row& row : rows_) {
        const bool shown = filter_.isEmpty() || holds(row.words) ||
                           (row.section >= 0 && sectionNamed[std::size_t(row.section)]);
        if (row.label) row.label->setVisible(shown);
        row.field->setVisible(shown);
        for (int s = row.section; shown && s >= 0; s = sections_[std::size_t(s)].parent)
            sectionShown[std::size_t(s)] = true;
    }
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        const Section& section = sections_[s];
        section.header->setVisible(filter_.isEmpty() || sectionShown[s]);
        section.body->setVisible(filter_.isEmpty() ? section.header->isChecked() : bool(sectionShown[s]));
    }
    // A line between entries means nothing among the few a filter leaves.
    for (QWidget* line : separators_) line->setVisible(filter_.isEmpty());
    placeRows();
}

void ParamPanel::placeRows() {
    for (const auto& form : forms_) form->place();
}

int ParamPanel::visibleControls() const {
    int n = 0;
    for (const Row& row : rows_)
        if (!row.field->isHidden()) ++n;
    return n;
}

// A right click on a value offers its own reset, as the hosts' panels do.
void ParamPanel::offerReset(int position, const PF_ParamDef& def, QWidget* control) {
    double value = 0;
    switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER:
            value = def.u.fs_d.dephault;
            break;
        case PF_Param_POPUP:
            value = def.u.pd.dephault;
            break;
        case PF_Param_CHECKBOX:
            value = def.u.bd.dephault ? 1 : 0;
            break;
        default:
            return;
    }
    defaults_[position] = value;
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    const QString name = text(def.name);
    connect(control, &QWidget::customContextMenuRequested, this,
            [this, position, name, control](const QPoint& at) {
                QMenu menu(control);
                menu.addAction(tr("Reset \"%1\" to Its Default").arg(name), this,
                               [this, position] { resetToDefault(position); });
                menu.exec(control->mapToGlobal(at));
            });
}

void ParamPanel::resetToDefault(int position) {
    if (auto it = defaults_.find(position); it != defaults_.end()) emit edited(position, it->second);
}

}  // namespace duovis::studio

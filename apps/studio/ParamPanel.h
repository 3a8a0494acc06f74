#pragma once
// The effect's controls, built from the definitions the module registered with the host:
// popups, checkboxes, sliders with their slider and valid ranges and precision, buttons,
// groups as sections that fold, the custom area the effect draws itself, and nothing for an
// entry registered invisible. Every control is named "param-<position>".

#include <QImage>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "FormRows.h"
#include "ParamStore.h"

class QComboBox;
class QToolButton;
class QLabel;
class QVBoxLayout;

namespace duovis::studio {

class KeyButton;

class ParamPanel : public QWidget {
    Q_OBJECT

  public:
    explicit ParamPanel(const refhost::ParamStore& store, QWidget* parent = nullptr);

    // Shows the values the store holds now, without reporting them as edits.
    void refresh(const refhost::ParamStore& store);
    // What the effect drew in its custom area, as text.
    void setCustomArea(int position, const QString& drawnText);
    // The layers a layer choice offers besides "None", and the one chosen (-1: none).
    void setLayers(const QStringList& names, int chosen);

    // Narrows the panel to the controls whose name or identifier (or group) holds `words`.
    void setFilter(const QString& words);
    void setAllExpanded(bool open);
    // Controls the filter leaves showing.
    int visibleControls() const;
    // Sets a value back to what the module registered as its default (its context menu's action).
    void resetToDefault(int position);

    // The control a person last worked with (0: none): the one whose keys the time bar shows.
    int selectedPosition() const { return selected_; }
    void select(int position);

  signals:
    void edited(int position, double value);
    void pressed(int position);
    void layerChosen(int position, int layer);  // -1: none
    void dragStarted();
    void dragFinished();
    void keyToggled(int position);  // the key button of an animatable control
    void keyHoldChosen(int position, bool hold);
    void selectionChanged(int position);

  private:
    struct Section {
        QString name;
        QToolButton* header;
        QWidget* body;
        int parent;  // -1: the panel itself
    };
    struct Row {
        QString words;  // name and identifier, what the filter looks in
        QWidget* label;
        QWidget* field;
        int section;
    };

    FormRows* addSection(FormRows* parent, const QString& name, int parentSection);
    // Lays each form out with the rows that show, so hidden ones leave no gap.
    void placeRows();
    QWidget* controlFor(int position, const PF_ParamDef& def);
    void offerReset(int position, const PF_ParamDef& def, QWidget* control);
    QWidget* floatControl(int position, const PF_ParamDef& def);
    // The control with its key button beside it.
    QWidget* withKeyButton(int position, QWidget* control);
    void followFocus(QWidget* now);
    void showKeyMarks(const refhost::ParamStore& store);

    std::map<int, QWidget*> controls_;
    std::map<int, QLabel*> customAreas_;
    std::map<int, QComboBox*> layers_;
    std::vector<Section> sections_;
    std::vector<std::unique_ptr<FormRows>> forms_;  // the panel's own first, then each group's
    std::vector<QWidget*> separators_;
    std::vector<Row> rows_;
    QString filter_;
    std::map<int, double> defaults_;
    std::map<int, KeyButton*> keyButtons_;
    std::map<QWidget*, int> fieldPositions_;  // each row's field, for the focus to name its entry
    int selected_ = 0;
};

}  // namespace duovis::studio

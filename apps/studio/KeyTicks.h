#pragma once
// The marks under the time bar's slider where the selected control has keys.

#include <QWidget>
#include <vector>

namespace duovis::studio {

class KeyTicks : public QWidget {
    Q_OBJECT

  public:
    explicit KeyTicks(QWidget* parent = nullptr);

    // The frames the slider spans, and those with keys.
    void setKeys(int first, int last, std::vector<int> frames);
    const std::vector<int>& frames() const { return frames_; }
    // Where a frame's mark is drawn, in the widget's own coordinates.
    int xOf(int frame) const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int first_ = 0;
    int last_ = 0;
    std::vector<int> frames_;
};

}  // namespace duovis::studio

#pragma once
// The effect panel's drawing service: the four Drawbot suites and the custom UI suite, drawing
// with QPainter into a picture of the effect window. A draw event gets a canvas of its own;
// every object the effect makes through the supplier is tracked, so what it failed to release,
// or used after releasing, shows.
//
// Text needs fonts, and Qt has fonts only once a QGuiApplication exists: the caller makes one
// (the offscreen platform will do); without it DrawString fails.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "AE_EffectSuites.h"
#include "Faults.h"

namespace duovis::refhost {

class EffectInstance;

// The tables this host serves; SuiteHost hands them out by name and version.
extern const DRAWBOT_DrawbotSuite1 kDrawbotDrawSuite;
extern const DRAWBOT_SupplierSuite1 kDrawbotSupplierSuite;
extern const DRAWBOT_SurfaceSuite1 kDrawbotSurfaceSuite;
extern const DRAWBOT_PathSuite1 kDrawbotPathSuite;
extern const PF_EffectCustomUISuite1 kEffectCustomUISuite;

// The size the host's default font has, in pixels.
constexpr float kDefaultFontSize = 12.0f;
// What the window shows where the effect drew nothing.
constexpr QRgb kPanelColor = 0xFF5A6E82;

struct DrawnFill {
    QRectF bounds;  // of the filled path, window coordinates
    DRAWBOT_ColorRGBA color;
    DRAWBOT_FillType fillType;
};

struct DrawnText {
    QString text;
    QPointF origin;  // of the baseline, window coordinates
    DRAWBOT_ColorRGBA color;
    float fontSize;
    DRAWBOT_TextAlignment alignment;
    DRAWBOT_TextTruncation truncation;
    float truncationWidth;
};

// One effect window for one draw event.
class DrawbotCanvas {
  public:
    DrawbotCanvas(QSize window, const Faults& faults);
    ~DrawbotCanvas();
    DrawbotCanvas(const DrawbotCanvas&) = delete;
    DrawbotCanvas& operator=(const DrawbotCanvas&) = delete;

    // What the event's extra record carries for the effect to draw through.
    PF_ContextH context();

    const QImage& image() const;
    const std::vector<DrawnFill>& fills() const;
    const std::vector<DrawnText>& texts() const;
    // Every Drawbot and custom UI function the effect called, in order, releases with the
    // kind of object ("ReleaseObject(font)"); a failed call ends in " -> ERROR".
    const std::vector<std::string>& calls() const;
    // Supplier-made objects not released yet.
    int liveObjects() const;

    struct State;  // the served objects behind the references

  private:
    std::unique_ptr<State> state_;
};

struct DrawRequest {
    PF_ParamIndex index = 0;  // the parameter whose area is drawn
    PF_EffectArea area = PF_EA_CONTROL;
    PF_Rect frame{0, 0, 300, 20};  // the area, window coordinates
    QSize window;                  // empty: just large enough for the frame
};

struct DrawOutcome {
    PF_Err err = PF_Err_NONE;
    PF_EventOutFlags outFlags = PF_EO_NONE;
    QImage window;  // the whole effect window
    QImage area;    // the frame's part of it
    std::vector<DrawnFill> fills;
    std::vector<DrawnText> texts;
    std::vector<std::string> calls;
    int unreleasedObjects = 0;
};

// Sends the instance a draw event for one area of its panel, as the editing host does when
// that area needs repainting, and returns what the effect drew.
DrawOutcome drawEvent(EffectInstance& fx, const DrawRequest& request);

}  // namespace duovis::refhost

#pragma once
// The parallax tool's press run off the window's thread: a busy dialog while it measures
// (0.5 to 3 s on a 1080p pair) and a Cancel that stops the tool and lets the effect's waits
// end at once.

#include <functional>

class QWidget;

namespace duovis::studio {

// Runs `press` on a thread of its own while the window goes on drawing under a window-modal
// busy dialog; returns once it has ended. False when the person cancelled: the tool was
// stopped and whatever the press did is the caller's to undo. `press` must not throw.
bool runToolPress(QWidget* parent, const std::function<void()>& press);

}  // namespace duovis::studio

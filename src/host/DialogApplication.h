// The Qt application object that the effect's modal dialogs run in. A host process has none
// of its own as a rule, so one is made for the time a dialog is open and deleted after it.
#pragma once

class QApplication;

namespace duovis {

// Non-null only while one of the effect's dialogs is open.
QApplication* dialogApplication();

// Holds the dialog application for one dialog. Where the process already has a widget
// application (a Qt-based host, or another module's dialog), that one is borrowed and left
// alive: a process can hold only one, and deleting the host's own would pull its event
// loop out from under it.
class DialogApplicationScope {
  public:
    // Without a window system, `Refuse` shows nothing and `Offscreen` makes the application on
    // Qt's offscreen platform, for a box that must exist even where no one can see it.
    enum class Headless { Refuse, Offscreen };

    explicit DialogApplicationScope(Headless headless = Headless::Refuse);
    ~DialogApplicationScope();
    DialogApplicationScope(const DialogApplicationScope&) = delete;
    DialogApplicationScope& operator=(const DialogApplicationScope&) = delete;

    // False where no dialog may be shown: another of the effect's dialogs is open, the
    // process's application object cannot run widgets or belongs to another thread, or
    // there is no window system to show one on.
    bool ready() const { return held_; }
    // True when the dialog will be on the offscreen platform, where no one sees it.
    bool offscreen() const;

  private:
    bool held_ = false;
    bool owned_ = false;
};

}  // namespace duovis

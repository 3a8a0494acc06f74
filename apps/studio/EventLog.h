#pragma once
// A line on standard output for each thing a person's input changed, where the environment
// sets DUOVIS_STUDIO_EVENTS: the real-window tests drive the studio with X's own mouse and keys
// and read here what happened. Lines: "undo INDEX COUNT TEXT", "value POSITION ID VALUE",
// "time FIRST LAST", and "widget NAME X Y WIDTH HEIGHT" (screen pixels) for the panel's
// controls, the filter box, the viewers and the time bar, after each open and filter change.

namespace duovis::studio {

class MainWindow;

// Connects the log to the window when DUOVIS_STUDIO_EVENTS is set; otherwise nothing.
void logEventsOf(MainWindow& window);

}  // namespace duovis::studio

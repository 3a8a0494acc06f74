// The message the tool launch shows when the parallax tool cannot be started.
#pragma once

class QString;

namespace duovis {

// A modal box with the text alone (no icon, the one OK button), until the user closes it.
// Where no one can see it (no window system, the offscreen platform, no widget application to
// show it in) the text also goes to the error stream, and an unseen box closes by itself.
void showToolMessage(const QString& text);

}  // namespace duovis

// The About box, for the host's About command and the effect's About button alike.
#pragma once

#include "AE_Effect.h"

namespace duovis {

// Shows the box modally and returns when the user closes it. While another of the effect's
// dialogs is open, or where no dialog can be shown, it shows nothing. Always succeeds: the
// box is no part of the host's work.
PF_Err showAbout();

}  // namespace duovis

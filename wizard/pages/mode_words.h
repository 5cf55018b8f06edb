// The words the pages use for the run the user chose: "backup" / "backed-up",
// "restore" / "restored", "unrestore" / "unrestored".
#pragma once

#include <cstdint>

#include "common/session/run_sequence.h"

namespace sl::wizard {

struct ModeWords {
    const char* verb;
    const char* participle;
};

ModeWords WordsFor(session::WizardMode wizardMode, session::RestoreMode restoreMode);

}  // namespace sl::wizard

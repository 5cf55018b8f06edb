#include "wizard/pages/mode_words.h"

namespace sl::wizard {

ModeWords WordsFor(session::WizardMode wizardMode, session::RestoreMode restoreMode) {
    if (wizardMode == session::WizardMode::Backup) return {"backup", "backed-up"};
    if (restoreMode == session::RestoreMode::Restore) return {"restore", "restored"};
    return {"unrestore", "unrestored"};
}

}  // namespace sl::wizard

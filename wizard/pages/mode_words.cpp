#include "wizard/pages/mode_words.h"

namespace sl::wizard {

ModeWords WordsFor(int32_t wizardMode, int32_t restoreMode) {
    if (wizardMode == 0) return {"backup", "backed-up"};
    if (restoreMode == 0) return {"restore", "restored"};
    return {"unrestore", "unrestored"};
}

}  // namespace sl::wizard

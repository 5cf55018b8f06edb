// The words the pages use for the run the user chose: "backup" / "backed-up",
// "restore" / "restored", "unrestore" / "unrestored".
#pragma once

#include <cstdint>

namespace sl::wizard {

struct ModeWords {
    const char* verb;
    const char* participle;
};

ModeWords WordsFor(int32_t wizardMode, int32_t restoreMode);

}  // namespace sl::wizard

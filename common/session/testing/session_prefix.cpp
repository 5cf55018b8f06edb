#include "common/session/testing/session_prefix.h"

#include <stdlib.h>

#include <fstream>

#include "kernel/interface/stowlark_kernel.h"

namespace sl::session {

SessionPrefix::SessionPrefix() {
    const char* previous = std::getenv("WINEPREFIX");
    hadPrevious_ = previous != nullptr;
    if (hadPrevious_) previous_ = previous;
    ::setenv("WINEPREFIX", PrefixPath().c_str(), 1);
}

SessionPrefix::~SessionPrefix() {
    if (hadPrevious_) {
        ::setenv("WINEPREFIX", previous_.c_str(), 1);
    } else {
        ::unsetenv("WINEPREFIX");
    }
}

std::function<void(const std::string&)> SessionPrefix::LogSink() const {
    const std::string path = LogFolder() + "/" + sl::kLogName;
    return [path](const std::string& text) {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << text;
    };
}

}  // namespace sl::session

// A temporary prefix (kernel/testing/temp_prefix.h) that the libraries the
// session loads see too: installed in this process, and named by WINEPREFIX
// for the inspect library while the fixture lives.
#pragma once

#include <string>

#include "kernel/testing/temp_prefix.h"

namespace sl::session {

class SessionPrefix : public sl::testing::TempPrefix {
public:
    SessionPrefix();
    ~SessionPrefix();

    // A log sink that appends to the fixture's log file, which LogText() reads.
    std::function<void(const std::string&)> LogSink() const;

private:
    std::string previous_;
    bool hadPrevious_ = false;
};

}  // namespace sl::session

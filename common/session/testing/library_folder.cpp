// The session's tests call the kernel's code in-process; the inspect
// library they load is the one built beside the kernel library.
#include <gtest/gtest.h>

#include "common/session/kernel_binding.h"

namespace {

class BuiltLibraries : public ::testing::Environment {
public:
    void SetUp() override { sl::session::RememberLibraryFolder(SL_KERNEL_BIN_DIR); }
};

[[maybe_unused]] ::testing::Environment* const g_builtLibraries =
    ::testing::AddGlobalTestEnvironment(new BuiltLibraries);

}  // namespace

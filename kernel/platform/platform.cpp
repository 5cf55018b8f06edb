#include "kernel/platform/platform.h"

#include <mutex>
#include <vector>

namespace sl::platform {
namespace {
std::mutex g_mutex;
std::shared_ptr<Platform> g_current;
bool g_currentIsDefault = false;  // g_current was made by MakeDefault()
std::string g_defaultMachine;     // DefaultMachineName() when it was made
std::vector<std::shared_ptr<Platform>> g_replaced;  // one per change of machine
}  // namespace

Platform& Current() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_current && g_currentIsDefault && DefaultMachineName() != g_defaultMachine) {
        g_replaced.push_back(std::move(g_current));
    }
    if (!g_current) {
        g_defaultMachine = DefaultMachineName();
        g_current = MakeDefault();
        g_currentIsDefault = true;
    }
    return *g_current;
}

std::shared_ptr<Platform> Install(std::shared_ptr<Platform> platform) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::shared_ptr<Platform> previous = std::move(g_current);
    g_current = std::move(platform);
    g_currentIsDefault = false;
    return previous;
}

}  // namespace sl::platform

#include "kernel/platform/platform.h"

#include <mutex>

namespace sl::platform {
namespace {
std::mutex g_mutex;
std::shared_ptr<Platform> g_current;
}  // namespace

Platform& Current() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_current) g_current = MakeDefault();
    return *g_current;
}

std::shared_ptr<Platform> Install(std::shared_ptr<Platform> platform) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::shared_ptr<Platform> previous = std::move(g_current);
    g_current = std::move(platform);
    return previous;
}

}  // namespace sl::platform

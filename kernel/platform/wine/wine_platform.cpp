#include "kernel/platform/platform.h"
namespace sl::platform {
std::shared_ptr<Platform> MakeDefault() { return nullptr; }
}

#include "kernel/log/log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "kernel/platform/platform.h"

namespace sl {
namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Text-mode stream conversion: every LF is written as CR LF.
std::string ToTextMode(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

std::string LibraryLogName() {
    std::string path = platform::Current().ModuleFileName();
    std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + ".log";
}

}  // namespace

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<std::size_t>(needed));
    }
    va_end(args);
    return out;
}

std::string FormatLogEntry(const std::string& message, const std::tm& t) {
    int month = t.tm_mon >= 0 && t.tm_mon < 12 ? t.tm_mon : 0;
    std::string stamp = Format("%02d:%02d:%02d on %s-%02d-%04d ", t.tm_hour, t.tm_min, t.tm_sec,
                               kMonths[month], t.tm_mday, t.tm_year + 1900);
    return ToTextMode(stamp + message + "\r\n");
}

void AppendLog(std::string message, std::string logName) {
    if (logName.empty()) logName = LibraryLogName();
    std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    platform::Current().AppendLogBytes(logName, FormatLogEntry(message, local));
}

void ReportError(std::string& errorText, const std::string& message) {
    errorText += message;
    AppendLog(message, kLogName);
}

}  // namespace sl

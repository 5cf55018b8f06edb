// The log "Stowlark.Log": one time-stamped entry per error, appended beside
// the kernel library (or in the platform's fallback folder).
#pragma once

#include <ctime>
#include <string>

#include "kernel/log/log_name.h"

namespace sl {

// Appends one entry: the local time as "%H:%M:%S on %b-%d-%Y " (English month
// abbreviation), the message unchanged, then "\r\n", stored through a
// text-mode conversion that writes every LF as CR LF. An empty log name means
// the library's own name with ".log". Failures to write are ignored.
void AppendLog(std::string message, std::string logName);

// The entry's bytes as AppendLog stores them, for the given time.
std::string FormatLogEntry(const std::string& message, const std::tm& localTime);

// Reports an error of a run: appends message to errorText (what the run
// hands back to its caller) and logs it to kLogName as one entry.
void ReportError(std::string& errorText, const std::string& message);

// printf-style formatting into a string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace sl

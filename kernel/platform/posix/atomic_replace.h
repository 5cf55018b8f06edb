// Replacing a file whole or not at all. The new content goes to a temporary
// beside the target (temporary_files.h), which takes the target's name by a
// rename once it is complete; a process killed at any point leaves either the
// old file or the whole new one (and at worst a temporary that the next write
// into the folder sweeps away).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "kernel/platform/platform.h"
#include "kernel/platform/posix/fd.h"

namespace sl::platform::posix {

class AtomicReplace {
public:
    // Creates the temporary beside the Unix path target with the permission
    // bits mode (less the umask), open for writing and locked until it has
    // the target's name. ok() says whether it was made; when not,
    // createError() is the Win32 error (3 when the folder is missing).
    AtomicReplace(const std::string& target, mode_t mode);
    // Removes the temporary unless Commit() gave it the target's name.
    ~AtomicReplace();
    AtomicReplace(const AtomicReplace&) = delete;
    AtomicReplace& operator=(const AtomicReplace&) = delete;

    bool ok() const { return out_.get() >= 0; }
    DWORD createError() const { return createError_; }
    // Where the content goes (write it with WriteAll).
    int fd() const { return out_.get(); }

    // Finishes the replace, in this order: sets the permission bits to
    // *chmodTo (when given), flushes the data to stable storage (when sync),
    // fills *written with the temporary's stat (when given), closes it and
    // renames it over the target; with sync, the target's folder is flushed
    // too once the rename is done. 0, or the errno of the first step that
    // failed (the target is left as it was; the temporary is removed when
    // this object goes). Called once.
    int Commit(const mode_t* chmodTo, bool sync, struct stat* written = nullptr);

private:
    std::string target_;
    std::string temporary_;
    Fd out_;
    Fd lock_;  // keeps the temporary's lock after out_ is closed
    DWORD createError_ = kErrorSuccess;
    bool created_ = false;
    bool committed_ = false;
};

}  // namespace sl::platform::posix

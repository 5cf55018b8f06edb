#include "kernel/platform/posix/atomic_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "kernel/platform/posix/temporary_files.h"
#include "kernel/platform/posix/unix_files.h"

namespace sl::platform::posix {

AtomicReplace::AtomicReplace(const std::string& target, mode_t mode) : target_(target) {
    out_ = Fd(CreateTemporaryBeside(target_, mode, &temporary_, &createError_));
    // The lock goes with the open file, which this second descriptor keeps
    // open after the writing one is closed (and its errors seen), so that a
    // sweep of the folder by another run leaves the temporary alone.
    created_ = out_.get() >= 0;
    if (created_) lock_ = Fd(::dup(out_.get()));
}

AtomicReplace::~AtomicReplace() {
    if (created_ && !committed_) ::unlink(temporary_.c_str());
}

int AtomicReplace::Commit(const mode_t* chmodTo, bool sync, struct stat* written) {
    int error = 0;
    if (chmodTo && ::fchmod(out_.get(), *chmodTo) != 0) error = errno;
    if (!error && sync && ::fsync(out_.get()) != 0) error = errno;
    if (!error && written && ::fstat(out_.get(), written) != 0) error = errno;
    if (::close(out_.release()) != 0 && !error) error = errno;
    if (!error && ::rename(temporary_.c_str(), target_.c_str()) != 0) error = errno;
    if (error) return error;  // the destructor removes the temporary
    committed_ = true;
    if (sync) {
        Fd folder(::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.get() >= 0) ::fsync(folder.get());
    }
    return 0;
}

}  // namespace sl::platform::posix

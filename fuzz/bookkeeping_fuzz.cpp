// Fuzz target: the bookkeeping file "Stowlark.dat" as CSLKernel loads it.
// Any input must load or fail with an archive cause, never crash or allocate
// beyond its size; whatever loads completely must store and load again to
// the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/support/quiet_platform.h"
#include "kernel/interface/kernel.h"
#include "kernel/storage/archive_stream.h"

namespace {

// 0 when the bytes load completely into kernel, else the archive cause.
std::int32_t LoadInto(sl::CSLKernel& kernel, std::vector<std::uint8_t> bytes) {
    sl::MemoryArchiveStream stream(std::move(bytes));
    try {
        sl::Archive archive(stream, false);
        kernel.Serialize(archive);
        return 0;
    } catch (const sl::ArchiveError& error) {
        return error.cause;
    }
}

std::vector<std::uint8_t> Store(sl::CSLKernel& kernel) {
    sl::MemoryArchiveStream stream;
    sl::Archive archive(stream, true);
    kernel.Serialize(archive);
    archive.Flush();
    return stream.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sl::fuzz::InstallQuietPlatform();
    sl::CSLKernel kernel;
    std::int32_t cause = LoadInto(kernel, std::vector<std::uint8_t>(data, data + size));
    if (cause < 0 || (cause > 7 && cause != sl::kArchiveOtherFailure)) std::abort();
    if (cause != 0) return 0;

    std::vector<std::uint8_t> first = Store(kernel);
    sl::CSLKernel again;
    if (LoadInto(again, first) != 0) std::abort();
    if (Store(again) != first) std::abort();
    if (again.SavedIDs != kernel.SavedIDs || again.BackupCounter != kernel.BackupCounter ||
        again.RegItems.size() != kernel.RegItems.size() ||
        again.FileItems.size() != kernel.FileItems.size()) {
        std::abort();
    }
    return 0;
}

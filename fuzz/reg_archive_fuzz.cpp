// Fuzz target: a registry archive ("<n>.bin") as RegSLRestore loads it: one
// object list of CRegContentItem records. Any input must load or fail with an
// archive cause; whatever loads completely must store and load again to the
// same bytes, and every loaded value record must hold exactly DataLength bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/support/quiet_platform.h"
#include "kernel/storage/archive_stream.h"
#include "kernel/storage/reg_save_restore.h"

namespace {

std::int32_t LoadInto(sl::RegRecordList& records, std::vector<std::uint8_t> bytes) {
    sl::MemoryArchiveStream stream(std::move(bytes));
    try {
        sl::Archive archive(stream, false);
        sl::SerializeObjectList(archive, records);
        return 0;
    } catch (const sl::ArchiveError& error) {
        return error.cause;
    }
}

std::vector<std::uint8_t> Store(sl::RegRecordList& records) {
    sl::MemoryArchiveStream stream;
    sl::Archive archive(stream, true);
    sl::SerializeObjectList(archive, records);
    archive.Flush();
    return stream.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sl::fuzz::InstallQuietPlatform();
    sl::RegRecordList records;
    std::int32_t cause = LoadInto(records, std::vector<std::uint8_t>(data, data + size));
    if (cause < 0 || (cause > 7 && cause != sl::kArchiveOtherFailure)) std::abort();
    for (const auto& record : records) {
        if (record->Data.size() != record->DataLength) std::abort();
    }
    if (cause != 0) return 0;

    std::vector<std::uint8_t> first = Store(records);
    sl::RegRecordList again;
    if (LoadInto(again, first) != 0) std::abort();
    if (again.size() != records.size() || Store(again) != first) std::abort();
    return 0;
}

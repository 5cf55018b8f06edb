// ArchiveXfer: one serializable object as a whole file.
#include <new>

#include "kernel/platform/platform.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/archive_stream.h"
#include "kernel/storage/temporary_file.h"

namespace sl {

namespace {

// Runs body, turning everything it raises into a result code.
template <typename Body>
std::int32_t Guarded(Body&& body) {
    try {
        return body();
    } catch (const ArchiveError& error) {
        return error.cause;
    } catch (const std::bad_alloc&) {
        return kArchiveOtherFailure;
    } catch (...) {
        return kArchiveOtherFailure;
    }
}

std::int32_t LoadFile(platform::Platform& machine, SerializableObject& object,
                      const std::string& path) {
    platform::FileHandle handle = 0;
    platform::DWORD error = machine.OpenFile(path, platform::FileAccess::Read, &handle);
    if (error != 0) return FileCauseFromWin32(error);
    std::int32_t result = Guarded([&]() -> std::int32_t {
        std::uint64_t size = 0;
        platform::DWORD sizeError = machine.FileSize(handle, &size);
        if (sizeError != 0) return FileCauseFromWin32(sizeError);
        FileArchiveStream stream(machine, handle, size);
        Archive archive(stream, false);
        object.Serialize(archive);
        return 0;
    });
    platform::DWORD closeError = machine.CloseFile(handle, false);
    if (result == 0 && closeError != 0) result = FileCauseFromWin32(closeError);
    return result;
}

std::int32_t StoreFile(platform::Platform& machine, SerializableObject& object,
                       const std::string& path) {
    // The target is replaced only by a complete, synced file: a failure at
    // any step leaves the previous file as it was.
    std::string temporary;
    platform::FileHandle handle = 0;
    platform::DWORD error = CreateTemporary(machine, path, &temporary, &handle);
    if (error != 0) return FileCauseFromWin32(error);
    std::int32_t result = Guarded([&]() -> std::int32_t {
        FileArchiveStream stream(machine, handle);
        Archive archive(stream, true);
        object.Serialize(archive);
        archive.Flush();
        return 0;
    });
    platform::DWORD closeError = machine.CloseFile(handle, result == 0);
    if (result == 0 && closeError != 0) result = FileCauseFromWin32(closeError);
    if (result == 0) {
        platform::DWORD moveError = machine.MoveFileReplace(temporary, path);
        if (moveError != 0) result = FileCauseFromWin32(moveError);
    }
    if (result != 0) machine.DeleteFile(temporary);
    return result;
}

}  // namespace

std::int32_t ArchiveXfer(SerializableObject& object, const std::string& path, int store) {
    return Guarded([&]() -> std::int32_t {
        platform::Platform& machine = platform::Current();
        return store != 0 ? StoreFile(machine, object, path) : LoadFile(machine, object, path);
    });
}

}  // namespace sl

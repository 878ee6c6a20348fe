#include "platform/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

FileRead readOpenFile(int fd, std::size_t cap, std::string& bytes) {
    struct stat opened {};
    if (::fstat(fd, &opened) != 0)
        return FileRead::Failed;
    if (!S_ISREG(opened.st_mode))
        return FileRead::NotRegular;
    if (opened.st_size < 0 || static_cast<std::size_t>(opened.st_size) > cap)
        return FileRead::TooLarge;
    // The size is checked again while reading: the file may grow in the meantime.
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return FileRead::Failed;
        if (n == 0)
            return FileRead::Read;
        if (bytes.size() + static_cast<std::size_t>(n) > cap)
            return FileRead::TooLarge;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

BoundedFile ReadRegularFile(const std::string& path, std::size_t cap) {
    // Asked by name first, so that a device of that name is never even opened.
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed, {}};
    if (!S_ISREG(named.st_mode))
        return {FileRead::NotRegular, {}};
    // A FIFO swapped in since then must not hold the open: it waits for a writer unless O_NONBLOCK.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {errno == ENOENT ? FileRead::Missing : FileRead::Failed, {}};
    BoundedFile file;
    file.result = readOpenFile(fd, cap, file.bytes);
    ::close(fd);
    if (file.result != FileRead::Read)
        file.bytes.clear();
    return file;
}

} // namespace Platform

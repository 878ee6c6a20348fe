#include "platform/regular_file.h"

#include <windows.h>

namespace Platform {

namespace {

std::wstring widened(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

FileRead readOpenFile(HANDLE file, std::size_t cap, std::string& bytes) {
    // Pipes and character devices are not disk files.
    if (GetFileType(file) != FILE_TYPE_DISK)
        return FileRead::NotRegular;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        return FileRead::Failed;
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > cap)
        return FileRead::TooLarge;
    // The size is checked again while reading: the file may grow in the meantime.
    char buffer[64 * 1024];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr))
            return FileRead::Failed;
        if (n == 0)
            return FileRead::Read;
        if (bytes.size() + n > cap)
            return FileRead::TooLarge;
        bytes.append(buffer, n);
    }
}

} // namespace

BoundedFile ReadRegularFile(const std::string& path, std::size_t cap) {
    const HANDLE file = CreateFileW(widened(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A folder cannot be opened this way at all: it is there, and no file.
        const DWORD attributes = GetFileAttributesW(widened(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return {FileRead::NotRegular, {}};
        return {error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing : FileRead::Failed,
                {}};
    }
    BoundedFile read;
    read.result = readOpenFile(file, cap, read.bytes);
    CloseHandle(file);
    if (read.result != FileRead::Read)
        read.bytes.clear();
    return read;
}

} // namespace Platform

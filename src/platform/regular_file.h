#pragma once

#include <cstddef>
#include <string>

// Plain standard C++ only: the Windows implementation is compiled without Qt.
namespace Platform {

enum class FileRead {
    Read,       // the whole file is in `bytes`
    Missing,    // nothing of that name
    NotRegular, // a pipe, device, directory or socket: never read
    TooLarge,   // more than the cap
    Failed,     // there, but could not be read
};

struct BoundedFile {
    FileRead result = FileRead::Failed;
    std::string bytes;
};

// A regular file read whole, up to `cap` bytes, following links. Nothing else
// of that name is read, and asking never blocks on a pipe put in its place.
// `path` is UTF-8.
BoundedFile ReadRegularFile(const std::string& path, std::size_t cap);

} // namespace Platform

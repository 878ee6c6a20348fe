#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <string>

namespace Base {

// The program's own configuration folder: $XDG_CONFIG_HOME/zuredor, by default
// ~/.config/zuredor (on Windows %APPDATA%/zuredor when XDG_CONFIG_HOME is not
// set). Empty when nothing says where.
QString configFolder(const QProcessEnvironment& environment);

// A path as the platform layer's file calls take it: UTF-8 on Windows
// (encodeName would give the ANSI code page there), the file system's own
// bytes elsewhere.
std::string platformPath(const QString& path);

} // namespace Base

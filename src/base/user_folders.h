#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace Base {

// The program's own configuration folder: $XDG_CONFIG_HOME/zuredor, by default
// ~/.config/zuredor (on Windows %APPDATA%/zuredor when XDG_CONFIG_HOME is not
// set). Empty when nothing says where.
QString configFolder(const QProcessEnvironment& environment);

} // namespace Base

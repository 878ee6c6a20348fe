#include "base/build_info.h"

#include "base/version.h"

namespace Base {

QString versionLine(const QString& program) {
    QString line = program + QLatin1Char(' ') + QString::fromLatin1(kProgramVersion);
    if (const QString description = QString::fromLatin1(gitDescription()); !description.isEmpty())
        line += QStringLiteral(" (git %1)").arg(description);
    return line;
}

} // namespace Base

#include "sim_unit.h"

namespace Sim {

namespace {

QByteArray fill(QString text, int number) {
    return text.replace(QStringLiteral("%n"), QString::number(number)).toUtf8();
}

} // namespace

QList<SimUnit> makeUnits(int count, const QHostAddress& first, const UnitTemplate& names) {
    QList<SimUnit> units;
    units.reserve(count);
    const quint32 base = first.toIPv4Address();
    for (int number = 1; number <= count; ++number) {
        units.append({number, QHostAddress(base + static_cast<quint32>(number - 1)), fill(names.hostName, number),
                      fill(names.groupName, number), fill(names.firmwareVersion, number)});
    }
    return units;
}

} // namespace Sim

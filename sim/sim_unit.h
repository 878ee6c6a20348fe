#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

namespace Sim {

// One simulated unit: where it lives and what it calls itself.
struct SimUnit {
    int number = 0; // 1-based
    QHostAddress address;
    QByteArray hostName;
    QByteArray groupName;
    QByteArray firmwareVersion;
};

// How the units are named; "%n" in a template becomes the unit's number.
struct UnitTemplate {
    QString hostName = QStringLiteral("ZurEdor-%n");
    QString groupName = QStringLiteral("Group-%n");
    QString firmwareVersion = QStringLiteral("1.0.%n");
};

// `count` units on consecutive addresses from `first`. Texts are kept whole here;
// the reply cuts them to their fields as a unit's firmware would.
QList<SimUnit> makeUnits(int count, const QHostAddress& first, const UnitTemplate& names);

} // namespace Sim

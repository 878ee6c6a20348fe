#pragma once

#include "sim/web/unit_state.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

namespace Sim {

// "%XX" undone and "+" read as a blank; a "%" without two hex digits stays as it is.
QByteArray percentDecode(QByteArrayView text);

// The name=value pairs of a query string, decoded; the first of equal names wins.
class CgiParams final {
public:
    static CgiParams parse(QByteArrayView query);

    bool has(QByteArrayView name) const;
    QByteArray bytes(QByteArrayView name) const;
    QString value(QByteArrayView name) const { return QString::fromUtf8(bytes(name)); }

private:
    QList<QPair<QByteArray, QByteArray>> m_items;
};

// What the unit does beyond its state once the answer has gone out.
enum class UnitEffect { None, MoveToDhcpAddress, MoveToStaticAddress, Reboot };

struct CgiCall {
    QByteArray program; // "nas.cgi", without the slash
    CgiParams params;
    QDateTime nowUtc;
};

struct CgiResult {
    bool accepted = false;
    UnitEffect effect = UnitEffect::None;
};

using CgiAction = CgiResult (*)(UnitState& state, const CgiCall& call);

// One action of one CGI program, chosen by the request's type= value.
struct CgiActionEntry {
    const char* program;
    const char* type;
    CgiAction run;
};

const QList<CgiActionEntry>& cgiActions();

bool isCgiProgram(QByteArrayView program);

// Runs the action that the program and type= name; an unknown pair is refused.
// A refused action leaves the state as it was.
CgiResult runCgiAction(UnitState& state, const CgiCall& call);

// Host and group names the unit takes: 1 to 15 bytes of letters, digits,
// "-", "_" or "=", not beginning with a digit.
bool isUnitName(const QString& name);

} // namespace Sim

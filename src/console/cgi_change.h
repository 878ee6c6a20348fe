#pragma once

#include "base/refusal.h"

#include <QString>

#include <variant>

namespace Console {

// A change ready to go to the unit: the CGI request and the page SendCgi is told about.
struct CgiChange {
    QString url;
    QString page;
};

// What a console action's check answers: the change to send, or the box that stops it.
using Checked = std::variant<CgiChange, Base::Refusal>;

inline const CgiChange* changeOf(const Checked& checked) {
    return std::get_if<CgiChange>(&checked);
}
inline const Base::Refusal* refusalOf(const Checked& checked) {
    return std::get_if<Base::Refusal>(&checked);
}

// Where the unit's web server is: its address and the port requests go to.
struct UnitAddress {
    QString ip;
    quint16 port = 80;
};

} // namespace Console

#include "web/web_error.h"

namespace Web {

QString errorKindName(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::None:
        return QStringLiteral("none");
    case ErrorKind::Connect:
        return QStringLiteral("connect");
    case ErrorKind::Write:
        return QStringLiteral("write");
    case ErrorKind::Read:
        return QStringLiteral("read");
    case ErrorKind::Timeout:
        return QStringLiteral("timeout");
    case ErrorKind::TooLarge:
        return QStringLiteral("too-large");
    case ErrorKind::Malformed:
        return QStringLiteral("malformed");
    case ErrorKind::TooManyRedirects:
        return QStringLiteral("too-many-redirects");
    }
    return QStringLiteral("unknown");
}

} // namespace Web

#include "scan_command.h"

#include "command.h"
#include "terminal_text.h"
#include "unit_cache.h"

#include "base/network_settings.h"
#include "discovery/discovery_scan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace Cli {

namespace {

constexpr int kColumns = 4;
constexpr int kGap = 2;

struct Cell {
    QByteArray bytes; // what goes out
    qsizetype width;  // characters it takes on screen
};

Cell textCell(const QByteArray& field) {
    const QByteArray shown = terminalSafe(field);
    return {shown, Discovery::displayText(shown).size()};
}

std::array<Cell, kColumns> cells(const Discovery::DeviceRow& row) {
    return {Cell{row.ip.toLatin1(), row.ip.size()}, textCell(row.reply.hostName), textCell(row.reply.groupName),
            textCell(row.reply.firmwareVersion)};
}

void appendLine(QByteArray& out, const std::array<Cell, kColumns>& line,
                const std::array<qsizetype, kColumns>& widths) {
    for (int column = 0; column < kColumns; ++column) {
        out += line[column].bytes;
        if (column + 1 < kColumns)
            out += QByteArray(widths[column] - line[column].width + kGap, ' ');
    }
    out += '\n';
}

void writeOut(FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QString targetText(const Discovery::QueryTarget& target) {
    QString text = target.address.toString();
    if (!target.interfaceName.isEmpty())
        text += QStringLiteral(" (%1)").arg(target.interfaceName);
    return text;
}

QString targetList(const QList<Discovery::QueryTarget>& targets) {
    QStringList texts;
    for (const Discovery::QueryTarget& target : targets)
        texts << targetText(target);
    return texts.join(QStringLiteral(", "));
}

QString sendFailureWords(const Discovery::SendFailure& failure, const GlobalOptions& global) {
    return QStringLiteral("cannot send the query to %1:%2: %3")
        .arg(targetText(failure.target))
        .arg(global.network.discoveryPort)
        .arg(failure.detail);
}

} // namespace

QByteArray scanTable(const QList<Discovery::DeviceRow>& rows) {
    const std::array<Cell, kColumns> titles = {textCell("IP Address"), textCell("HD Name"), textCell("Group Name"),
                                               textCell("Firmware Version")};
    QList<std::array<Cell, kColumns>> lines;
    lines.reserve(rows.size());
    std::array<qsizetype, kColumns> widths{};
    for (int column = 0; column < kColumns; ++column)
        widths[column] = titles[column].width;
    for (const auto& row : rows) {
        lines.append(cells(row));
        for (int column = 0; column < kColumns; ++column)
            widths[column] = qMax(widths[column], lines.constLast()[column].width);
    }
    QByteArray out;
    appendLine(out, titles, widths);
    for (const auto& line : lines)
        appendLine(out, line, widths);
    return out;
}

QByteArray scanJson(const QList<Discovery::DeviceRow>& rows) {
    QJsonArray array;
    for (const auto& row : rows) {
        array.append(
            QJsonObject{{QStringLiteral("ip"), row.ip},
                        {QStringLiteral("hostName"), Discovery::displayText(row.reply.hostName)},
                        {QStringLiteral("groupName"), Discovery::displayText(row.reply.groupName)},
                        {QStringLiteral("firmwareVersion"), Discovery::displayText(row.reply.firmwareVersion)}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

namespace {

// `scan`: the query to every target and its repeats, the replies of the wait, one row per unit in arrival order.
int runScan(const Invocation& call) {
    const GlobalOptions& global = call.global;
    const double seconds = call.arguments.decimal("--wait", 3.0);
    const auto wait = std::chrono::milliseconds(std::llround(seconds * 1000.0));
    const QList<Discovery::QueryTarget> targets = Discovery::targetsFor(global.network.broadcast);
    const auto result = Discovery::ScanOnce({targets, global.network.discoveryPort, wait});
    // Addresses the user named are worth a word each; of the default's, only the loss of all of them.
    if (!global.network.broadcast.isEmpty() || result.error) {
        for (const Discovery::SendFailure& failure : result.unsent)
            writeOut(stderr, "zuredor-cli: " + terminalSafe(sendFailureWords(failure, global).toUtf8()) + '\n');
    }
    if (result.error) {
        QString words;
        if (result.error->kind == Discovery::ScanErrorKind::Bind) {
            words = QStringLiteral("cannot listen on UDP port %1: %2")
                        .arg(global.network.discoveryPort)
                        .arg(result.error->detail);
            writeOut(stderr, "zuredor-cli: " + terminalSafe(words.toUtf8()) + '\n');
        } else {
            QStringList failures;
            for (const Discovery::SendFailure& failure : result.unsent)
                failures << sendFailureWords(failure, global);
            words = failures.join(QStringLiteral("; "));
        }
        if (global.json)
            writeOut(stdout, QJsonDocument(QJsonObject{{QStringLiteral("result"), QStringLiteral("unreachable")},
                                                       {QStringLiteral("error"), words}})
                                 .toJson(QJsonDocument::Indented));
        return kExitUnreachable;
    }
    if (result.rows.isEmpty()) {
        // An empty list alone would not tell the user where the question went.
        QString words = QStringLiteral("no unit answered within %1 s").arg(seconds);
        if (global.network.broadcast.isEmpty())
            words += QStringLiteral("; the query went to %1; --broadcast ADDR[,ADDR...] sends it elsewhere, "
                                    "such as to a unit's own address beyond a router")
                         .arg(targetList(targets));
        words += QStringLiteral("; zuredor-cli doctor tells why");
        writeOut(stderr, "zuredor-cli: " + terminalSafe(words.toUtf8()) + '\n');
    }
    writeOut(stdout, global.json ? scanJson(result.rows) : scanTable(result.rows));
    if (const QString refused = rememberUnits(result.rows, QProcessEnvironment::systemEnvironment());
        !refused.isEmpty())
        writeOut(stderr, "zuredor-cli: " + terminalSafe(refused.toUtf8()) + '\n');
    return kExitDone;
}

const Command kScanCommands[] = {
    {"scan",
     "Ask the units on the network to name themselves and list them",
     {Argument("--wait", "Seconds to collect replies, fractions allowed (default 3)", Argument::Kind::Decimal)
          .between(0.0, 86400.0)},
     Command::NothingMore,
     runScan},
};

} // namespace

std::span<const Command> scanCommands() {
    return kScanCommands;
}

} // namespace Cli

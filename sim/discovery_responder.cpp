#include "discovery_responder.h"

#include "discovery/discovery_datagram.h"

#include <QNetworkDatagram>

#include <cstdio>

namespace Sim {

namespace {

constexpr QUdpSocket::BindMode kShared = QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint;
// "At once" still goes out in slices a millisecond apart: hundreds of units answering in one
// burst overflow a receive buffer before a busy reader is scheduled, which no LAN does.
constexpr qint64 kSliceDatagrams = 16;
constexpr int kSliceMs = 1;

QByteArray reply(const QByteArray& host, const SimUnit& unit, const QByteArray& firmware) {
    return Discovery::encodeDiscoveryReply({host, unit.groupName, firmware});
}

QByteArray goodAnswer(const SimUnit& unit) {
    return reply(unit.hostName, unit, unit.firmwareVersion);
}

// Each malformed datagram names itself, so a row made from one is recognised at once.
QByteArray malformed(Malformed kind, const SimUnit& unit) {
    switch (kind) {
    case Malformed::Short:
        return reply("BAD-71", unit, unit.firmwareVersion).left(Discovery::kDatagramSize - 1);
    case Malformed::Long:
        return reply("BAD-73", unit, unit.firmwareVersion) + 'x';
    case Malformed::WrongType: {
        QByteArray datagram = reply("BAD-TYPE", unit, unit.firmwareVersion);
        datagram[0] = 2;
        return datagram;
    }
    case Malformed::EmptyFirmware:
        return reply("BAD-NOFW", unit, QByteArray());
    }
    return {};
}

bool isQuery(const QByteArray& datagram) {
    return datagram.size() == Discovery::kDatagramSize && static_cast<quint8>(datagram[0]) == Discovery::kTypeByte;
}

// One datagram a unit sends in answer to a query.
struct Outgoing {
    int unit; // index into the unit list
    QByteArray datagram;
};

// What the answering units send before any flood, in sending order.
std::vector<Outgoing> answers(const QList<SimUnit>& units, const QList<int>& answering, const DiscoveryFaults& faults) {
    std::vector<Outgoing> plan;
    for (int unit : answering) {
        for (Malformed kind : faults.malformed)
            plan.push_back({unit, malformed(kind, units[unit])});
        if (faults.noAnswer)
            continue;
        plan.push_back({unit, goodAnswer(units[unit])});
        if (faults.answerTwice)
            plan.push_back({unit, reply("DUPLICATE", units[unit], units[unit].firmwareVersion)});
    }
    return plan;
}

// Datagram `i` of a flood: the answering units in turn, each malformed kind and then a
// copy of the answer in rotation. Made when it is sent, so a flood of millions costs no memory.
Outgoing floodDatagram(const QList<SimUnit>& units, const QList<int>& answering, qint64 i) {
    constexpr Malformed kinds[] = {Malformed::Short, Malformed::Long, Malformed::WrongType, Malformed::EmptyFirmware};
    constexpr qint64 kKinds = std::size(kinds);
    const int unit = answering[static_cast<qsizetype>(i % answering.size())];
    const qint64 kind = i % (kKinds + 1);
    return {unit, kind < kKinds ? malformed(kinds[kind], units[unit]) : goodAnswer(units[unit])};
}

} // namespace

// One answer on its way: waits for the delay, then sends its datagrams at the configured rate.
class DiscoveryResponder::Transmission final : public QObject {
public:
    Transmission(DiscoveryResponder* owner, QList<int> answering, const QHostAddress& to, quint16 port)
        : QObject(owner), m_owner(owner), m_answering(std::move(answering)),
          m_answers(answers(owner->m_units, m_answering, owner->m_faults)),
          m_total(static_cast<qint64>(m_answers.size()) + (m_answering.isEmpty() ? 0 : owner->m_faults.flood)),
          m_to(to), m_port(port) {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &Transmission::begin);
        m_timer.start(owner->m_faults.delayMs);
    }

private:
    void begin() {
        disconnect(&m_timer, nullptr, this, nullptr);
        const int rate = m_owner->m_faults.rate;
        m_clock.start();
        m_timer.setSingleShot(false);
        connect(&m_timer, &QTimer::timeout, this, &Transmission::tick);
        m_timer.start(rate > 0 ? qMax(1, 1000 / rate) : kSliceMs);
        tick();
    }

    void tick() {
        // Everything due by now at `rate` per second, the first datagram at once.
        const int rate = m_owner->m_faults.rate;
        const qint64 due = rate > 0 ? m_clock.elapsed() * rate / 1000 + 1 : m_next + kSliceDatagrams;
        sendUntil(qMin(m_total, due));
        if (m_next == m_total) {
            m_timer.stop();
            deleteLater();
        }
    }

    void sendUntil(qint64 end) {
        const qint64 answerCount = static_cast<qint64>(m_answers.size());
        for (; m_next < end; ++m_next) {
            const Outgoing out = m_next < answerCount
                                     ? m_answers[static_cast<size_t>(m_next)]
                                     : floodDatagram(m_owner->m_units, m_answering, m_next - answerCount);
            if (!m_owner->m_online[out.unit])
                continue;
            QUdpSocket& socket = *m_owner->m_unitSockets[static_cast<size_t>(out.unit)];
            if (socket.writeDatagram(out.datagram, m_to, m_port) != out.datagram.size())
                ++m_failed;
        }
        if (m_next == m_total && m_failed > 0) {
            std::fprintf(stderr, "zuredor-sim: %lld of %lld datagrams to %s:%d not sent\n", m_failed, m_total,
                         qPrintable(m_to.toString()), int(m_port));
        }
    }

    DiscoveryResponder* m_owner;
    QList<int> m_answering;
    std::vector<Outgoing> m_answers;
    qint64 m_total;
    QHostAddress m_to;
    quint16 m_port;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_next = 0;
    qint64 m_failed = 0;
};

DiscoveryResponder::DiscoveryResponder(QList<SimUnit> units, QList<QHostAddress> broadcasts, quint16 port,
                                       DiscoveryFaults faults)
    : m_units(std::move(units)), m_broadcasts(std::move(broadcasts)), m_port(port), m_faults(std::move(faults)),
      m_online(m_units.size(), true), m_drops(m_faults.seed) {}

DiscoveryResponder::~DiscoveryResponder() = default;

std::unique_ptr<QUdpSocket> DiscoveryResponder::bindUnit(int index, const QHostAddress& address, QString* error) {
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(address, m_port, kShared)) {
        *error = QStringLiteral("cannot bind %1:%2: %3").arg(address.toString()).arg(m_port).arg(socket->errorString());
        return nullptr;
    }
    QUdpSocket* raw = socket.get();
    connect(raw, &QUdpSocket::readyRead, this, [this, raw, index] { readPending(raw, index); });
    return socket;
}

std::optional<QString> DiscoveryResponder::open() {
    QString error;
    for (int i = 0; i < m_units.size(); ++i) {
        auto socket = bindUnit(i, m_units[i].address, &error);
        if (!socket)
            return error;
        m_unitSockets.push_back(std::move(socket));
    }
    // Listening on each broadcast address itself, not the wildcard: a wildcard socket
    // on the port would also take the unicast answers meant for the utility.
    for (const QHostAddress& broadcast : std::as_const(m_broadcasts)) {
        bool isUnit = false;
        for (const SimUnit& unit : std::as_const(m_units))
            isUnit = isUnit || unit.address == broadcast;
        if (isUnit)
            continue;
        auto socket = std::make_unique<QUdpSocket>();
        if (!socket->bind(broadcast, m_port, kShared)) {
            return QStringLiteral("cannot bind %1:%2: %3")
                .arg(broadcast.toString())
                .arg(m_port)
                .arg(socket->errorString());
        }
        QUdpSocket* raw = socket.get();
        connect(raw, &QUdpSocket::readyRead, this, [this, raw] { readPending(raw, -1); });
        m_broadcastSockets.push_back(std::move(socket));
    }
    return std::nullopt;
}

std::optional<QString> DiscoveryResponder::updateUnit(int index, const SimUnit& unit) {
    if (unit.address != m_units[index].address) {
        QString error;
        auto socket = bindUnit(index, unit.address, &error);
        if (!socket)
            return error;
        m_unitSockets[static_cast<size_t>(index)] = std::move(socket);
    }
    m_units[index] = unit;
    return std::nullopt;
}

void DiscoveryResponder::setOnline(int index, bool online) {
    m_online[index] = online;
}

void DiscoveryResponder::readPending(QUdpSocket* socket, int unit) {
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram(Discovery::kDatagramSize + 1);
        if (!datagram.isValid() || !isQuery(datagram.data()))
            continue;
        QList<int> answering;
        int dropped = 0;
        for (int i = 0; i < m_units.size(); ++i) {
            if ((unit >= 0 && unit != i) || !m_online[i])
                continue;
            if (m_faults.dropPercent > 0 && static_cast<int>(m_drops.bounded(100u)) < m_faults.dropPercent) {
                ++dropped;
                continue;
            }
            answering.append(i);
        }
        if (m_logQueries) {
            std::printf("zuredor-sim: query from %s:%d to %s, %lld answering, %d dropped\n",
                        qPrintable(Discovery::senderText(datagram.senderAddress())), datagram.senderPort(),
                        qPrintable(socket->localAddress().toString()), static_cast<long long>(answering.size()),
                        dropped);
            std::fflush(stdout);
        }
        new Transmission(this, std::move(answering), datagram.senderAddress(),
                         static_cast<quint16>(datagram.senderPort()));
    }
}

} // namespace Sim

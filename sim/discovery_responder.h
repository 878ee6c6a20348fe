#pragma once

#include "sim_unit.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>

#include <memory>
#include <optional>
#include <vector>

namespace Sim {

// Datagrams a faulty unit sends besides its answer.
enum class Malformed {
    Short,         // the answer cut to 71 bytes
    Long,          // the answer with a 73rd byte
    WrongType,     // 72 bytes, type byte 2
    EmptyFirmware, // 72 bytes, type byte 1, no firmware version
};

struct DiscoveryFaults {
    QList<Malformed> malformed; // sent by every unit before its answer, in this order
    bool noAnswer = false;      // no well-formed answer
    bool answerTwice = false;   // a second answer naming the unit "DUPLICATE"
    int delayMs = 0;            // between the query and the first datagram
    int rate = 0;               // datagrams per second for the whole answer; 0 sends at once
    int flood = 0;              // datagrams after the answers, cycling malformed kinds and answer copies
    int dropPercent = 0;        // each unit ignores each query with this chance, as on a lossy network
    quint32 seed = 1;           // of the drops, so a run can be repeated
};

// The discovery side of the simulated units. A query that arrives at one of the
// broadcast addresses is answered by every unit; one sent to a unit's own address
// by that unit.
// Each unit answers from a socket bound to its own address and the discovery port,
// so the utility sees the unit's address as the sender.
class DiscoveryResponder final : public QObject {
    Q_OBJECT
public:
    DiscoveryResponder(QList<SimUnit> units, QList<QHostAddress> broadcasts, quint16 port, DiscoveryFaults faults);
    ~DiscoveryResponder() override;

    // Binds every socket; the platform's words for the first that fails.
    std::optional<QString> open();

    const SimUnit& unit(int index) const { return m_units[index]; }
    // A unit renamed or moved to another address: later answers carry the change.
    // On a failed move the unit stays where it was; the platform's words say why.
    std::optional<QString> updateUnit(int index, const SimUnit& unit);
    // A unit off the network (rebooting, say) neither answers nor finishes an answer under way.
    void setOnline(int index, bool online);
    // A line on standard output for every query: sender, where it arrived, how many units answer it.
    void setLogQueries(bool log) { m_logQueries = log; }

private:
    class Transmission;

    std::unique_ptr<QUdpSocket> bindUnit(int index, const QHostAddress& address, QString* error);
    void readPending(QUdpSocket* socket, int unit);

    QList<SimUnit> m_units;
    QList<QHostAddress> m_broadcasts;
    quint16 m_port;
    DiscoveryFaults m_faults;
    QList<bool> m_online;
    std::vector<std::unique_ptr<QUdpSocket>> m_unitSockets;
    std::vector<std::unique_ptr<QUdpSocket>> m_broadcastSockets;
    QRandomGenerator m_drops;
    bool m_logQueries = false;
};

} // namespace Sim

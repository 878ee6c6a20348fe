#pragma once

#include "base/network_settings.h"
#include "discovery/discovery_datagram.h"
#include "discovery/query_sender.h"
#include "discovery/udp_endpoint.h"
#include "ui/form_base.h"

#include <QTimer>

class QAction;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace Discovery {

// The scan window: sends the discovery query (to every interface unless told
// where, and again a few times early in the scan), lists the units that answer
// and hands the clicked unit's address on.
class ScanWindow final : public Ui::FormBase {
    Q_OBJECT
public:
    explicit ScanWindow(const Base::NetworkSettings& settings, QWidget* parent = nullptr);

    // Also started after a change to automatic addressing.
    void ScanBtnClick();

    QTableWidget* listView() const { return m_HDListView; }
    const UdpEndpoint& endpoint() const { return m_endpoint; }
    const QuerySender& querySender() const { return m_querySender; }

Q_SIGNALS:
    // CurrentDevice.ip holds the clicked row's address.
    void deviceChosen();
    // A row was appended; the row index is its position in the list.
    void rowAdded(int row);
    // The remembered drives are asked for.
    void drivesChosen();

private:
    void ScanTimerTick();
    void HDListViewClick();
    void resetColumns();
    void fitColumnsTo(int row);
    void onDatagram(const QByteArray& datagram, const QHostAddress& sender);

    Base::NetworkSettings m_settings;
    QTableWidget* m_HDListView = nullptr;
    QProgressBar* m_ScanBar = nullptr;
    QPushButton* m_ScanBtn = nullptr;
    QAction* m_DrivesMenuItem = nullptr;
    UdpEndpoint m_endpoint;
    QuerySender m_querySender{m_endpoint};
    QTimer m_ScanTimer;
    ReplyCollector m_collector;
};

} // namespace Discovery

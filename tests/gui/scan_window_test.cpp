// The scan window offscreen against zuredor-sim on the loopback broadcast.

#include "discovery/scan_window.h"
#include "support/fifo_probe.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QAction>
#include <QNetworkDatagram>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

using TestSupport::waitUntil;

QStringList column(QTableWidget* list, int c) {
    QStringList texts;
    for (int row = 0; row < list->rowCount(); ++row)
        texts << list->item(row, c)->text();
    return texts;
}

// A unit sends all its datagrams for a query in one go, so once one of them is
// listed the rest already wait in the window's socket. A datagram the test sends
// after that is read after them: when it is listed, nothing more is coming.
bool listMarker(Discovery::ScanWindow& window, quint16 port) {
    QUdpSocket marker;
    if (!marker.bind(QHostAddress(QStringLiteral("127.0.0.9")), 0))
        return false;
    const QByteArray datagram = Discovery::encodeDiscoveryReply({"MARKER", "WG", "0"});
    if (marker.writeDatagram(datagram, QHostAddress::LocalHost, port) != datagram.size())
        return false;
    QTableWidget* list = window.listView();
    return waitUntil([&] {
        const int last = list->rowCount() - 1;
        return last >= 0 && list->item(last, 0)->text() == QStringLiteral("127.0.0.9");
    });
}

struct Fixture {
    explicit Fixture(QStringList simArguments = {}) {
        settings.broadcast = {QStringLiteral("127.255.255.255")};
        settings.discoveryPort = TestSupport::freeUdpPort();
        sim = std::make_unique<TestSupport::SimProcess>(
            QStringList{QStringLiteral("--discovery-port"), QString::number(settings.discoveryPort)} + simArguments);
        window = std::make_unique<Discovery::ScanWindow>(settings);
        window->show();
    }
    Base::NetworkSettings settings;
    std::unique_ptr<TestSupport::SimProcess> sim;
    std::unique_ptr<Discovery::ScanWindow> window;
};

TEST(ScanWindow, ScanListsTheUnitsAndASecondScanEmptiesAndRefills) {
    Fixture f;
    ASSERT_TRUE(f.sim->start()) << f.sim->output().toStdString();
    QTableWidget* list = f.window->listView();
    auto* scan = f.window->findChild<QPushButton*>(QStringLiteral("ScanBtn"));
    auto* bar = f.window->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));

    QTest::mouseClick(scan, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return list->rowCount() == 3; }));
    EXPECT_EQ(column(list, 0),
              (QStringList{QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3"), QStringLiteral("127.0.0.4")}));
    EXPECT_EQ(column(list, 1),
              (QStringList{QStringLiteral("ZurEdor-1"), QStringLiteral("ZurEdor-2"), QStringLiteral("ZurEdor-3")}));
    EXPECT_EQ(list->item(0, 2)->text(), QStringLiteral("Group-1"));
    EXPECT_EQ(list->item(0, 3)->text(), QStringLiteral("1.0.1"));

    // One tick advances the bar by one step.
    ASSERT_TRUE(waitUntil([&] { return bar->value() == 10; }, 3000));

    int cleared = 0;
    QObject::connect(list->model(), &QAbstractItemModel::rowsRemoved, [&] { ++cleared; });
    QTest::mouseClick(scan, Qt::LeftButton);
    EXPECT_EQ(bar->value(), 0) << "a new scan starts the bar again";
    EXPECT_GE(cleared, 1);
    ASSERT_TRUE(waitUntil([&] { return list->rowCount() == 3; }));
    ASSERT_TRUE(listMarker(*f.window, f.settings.discoveryPort));
    EXPECT_EQ(column(list, 1), (QStringList{QStringLiteral("ZurEdor-1"), QStringLiteral("ZurEdor-2"),
                                            QStringLiteral("ZurEdor-3"), QStringLiteral("MARKER")}))
        << "each unit once";
}

TEST(ScanWindow, FaultyUnitsAddOnlyTheirGoodAnswers) {
    Fixture f({QStringLiteral("--units"), QStringLiteral("2"), QStringLiteral("--malformed"), QStringLiteral("all"),
               QStringLiteral("--answer-twice")});
    ASSERT_TRUE(f.sim->start()) << f.sim->output().toStdString();
    QTableWidget* list = f.window->listView();
    f.window->ScanBtnClick();
    ASSERT_TRUE(waitUntil([&] { return list->rowCount() == 2; }));
    ASSERT_TRUE(listMarker(*f.window, f.settings.discoveryPort));
    EXPECT_EQ(column(list, 1),
              (QStringList{QStringLiteral("ZurEdor-1"), QStringLiteral("ZurEdor-2"), QStringLiteral("MARKER")}))
        << "no malformed datagram and no second answer is listed";
}

TEST(ScanWindow, LateRepliesAreListedWhenTheyArrive) {
    Fixture f({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--delay"), QStringLiteral("300")});
    ASSERT_TRUE(f.sim->start()) << f.sim->output().toStdString();
    f.window->ScanBtnClick();
    // Nothing has been listed yet: the unit answers late.
    EXPECT_EQ(f.window->listView()->rowCount(), 0);
    EXPECT_TRUE(waitUntil([&] { return f.window->listView()->rowCount() == 1; }));
}

TEST(ScanWindow, MarkupInTheNamesOfAUnitShowsAsTextAndLoadsNothing) {
    TestSupport::FifoProbe fifo;
    ASSERT_TRUE(fifo.valid());
    ASSERT_LE(fifo.markup().size(), 30) << "the firmware field holds 30 bytes";
    Fixture f({QStringLiteral("--units"), QStringLiteral("1"), QStringLiteral("--host-name"),
               QStringLiteral("<b>%n</b>"), QStringLiteral("--group-name"), QStringLiteral("<font size=7>G"),
               QStringLiteral("--firmware-version"), fifo.markup()});
    ASSERT_TRUE(f.sim->start()) << f.sim->output().toStdString();
    QTableWidget* list = f.window->listView();
    f.window->ScanBtnClick();
    ASSERT_TRUE(waitUntil([&] { return list->rowCount() == 1; }));
    f.window->grab();
    EXPECT_EQ(list->item(0, 1)->text(), QStringLiteral("<b>1</b>"));
    EXPECT_EQ(list->item(0, 2)->text(), QStringLiteral("<font size=7>G"));
    EXPECT_EQ(list->item(0, 3)->text(), fifo.markup());
    EXPECT_FALSE(fifo.opened()) << "a reply made the scan window open " << fifo.path().toStdString();
}

TEST(ScanWindow, TheQueryGoesAgainEarlyInTheScanAndASecondScanStartsTheRepeatsOver) {
    Fixture f; // no simulator: the test listens where the units would
    QUdpSocket unit;
    ASSERT_TRUE(unit.bind(QHostAddress(QStringLiteral("127.255.255.255")), f.settings.discoveryPort,
                          QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    int queries = 0;
    QObject::connect(&unit, &QUdpSocket::readyRead, [&] {
        while (unit.hasPendingDatagrams())
            queries += unit.receiveDatagram(1024).data() == Discovery::DiscoveryRequest();
    });
    f.window->ScanBtnClick();
    EXPECT_TRUE(waitUntil([&] { return queries == 1; }, 150)) << "the first copy goes at once";
    // The first repeat is due after 200 ms; Scan again before the second.
    ASSERT_TRUE(waitUntil([&] { return queries == 2; }, 390));
    f.window->ScanBtnClick();
    ASSERT_TRUE(waitUntil([&] { return !f.window->querySender().isRunning(); }, 3000));
    waitUntil([] { return false; }, 100); // the last copy in flight
    EXPECT_EQ(queries, 2 + 7) << "the first scan's later copies are not sent; the second sends all of its own";
    EXPECT_EQ(f.window->querySender().roundsSent(), 7);
}

// The bar's timer, sped up: the window's own tick handler runs each time.
QTimer* fastScanTimer(Discovery::ScanWindow& window) {
    auto* timer = window.findChild<QTimer*>(QStringLiteral("Timer1"));
    if (timer == nullptr || timer->interval() != 1000 || timer->isActive())
        return nullptr;
    timer->setInterval(1);
    return timer;
}

TEST(ScanWindow, ScanWithNoUnitRunsTheBarToTheEndInThirteenTicksAndStops) {
    Fixture f; // no simulator started: nobody answers
    QTimer* timer = fastScanTimer(*f.window);
    ASSERT_NE(timer, nullptr) << "Timer1: 1000 ms, stopped until Scan";
    auto* bar = f.window->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    QList<int> positions;
    // Connected after the window's own handler, so each entry is the bar after a tick.
    QObject::connect(timer, &QTimer::timeout, [&] { positions << bar->value(); });
    QSignalSpy received(&f.window->endpoint(), &Discovery::UdpEndpoint::datagramReceived);

    f.window->ScanBtnClick();
    ASSERT_TRUE(waitUntil([&] { return !timer->isActive(); }, 3000)) << "the bar keeps running";
    EXPECT_EQ(positions, (QList<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130}));
    EXPECT_EQ(bar->value(), 130);
    // The query comes back to the window's own socket and must be dropped.
    ASSERT_TRUE(waitUntil([&] { return received.count() >= 1; }));
    EXPECT_EQ(f.window->listView()->rowCount(), 0);
}

TEST(ScanWindow, RepliesAfterTheBarHasEndedAreStillListed) {
    Fixture f;
    QTimer* timer = fastScanTimer(*f.window);
    ASSERT_NE(timer, nullptr);
    auto* bar = f.window->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    f.window->ScanBtnClick();
    ASSERT_TRUE(waitUntil([&] { return !timer->isActive(); }, 3000));
    ASSERT_EQ(bar->value(), 130);

    // A unit that answers late, played by the test from its own loopback address.
    QUdpSocket unit;
    ASSERT_TRUE(unit.bind(QHostAddress(QStringLiteral("127.0.0.3")), 0));
    const QByteArray reply = Discovery::encodeDiscoveryReply({"LATE-UNIT", "WG", "2.0"});
    ASSERT_EQ(unit.writeDatagram(reply, QHostAddress::LocalHost, f.settings.discoveryPort), reply.size());
    QTableWidget* list = f.window->listView();
    ASSERT_TRUE(waitUntil([&] { return list->rowCount() >= 1; }));
    EXPECT_EQ(list->rowCount(), 1) << "the window's own query is not listed";
    EXPECT_EQ(list->item(0, 0)->text(), QStringLiteral("127.0.0.3"));
    EXPECT_EQ(list->item(0, 1)->text(), QStringLiteral("LATE-UNIT"));
    EXPECT_EQ(list->item(0, 3)->text(), QStringLiteral("2.0"));
    EXPECT_FALSE(timer->isActive()) << "a reply does not restart the bar";
    EXPECT_EQ(bar->value(), 130);
}

} // namespace

TEST(ScanWindow, DrivesOpenFromTheContextMenuAndTheLayoutKeepsOneButton) {
    Fixture f;
    EXPECT_EQ(f.window->findChildren<QPushButton*>().size(), 1);
    for (QWidget* widget : {static_cast<QWidget*>(f.window.get()), static_cast<QWidget*>(f.window->listView())}) {
        EXPECT_EQ(widget->contextMenuPolicy(), Qt::ActionsContextMenu);
        ASSERT_EQ(widget->actions().size(), 1);
        QSignalSpy chosen(f.window.get(), &Discovery::ScanWindow::drivesChosen);
        widget->actions().constFirst()->trigger();
        EXPECT_EQ(chosen.size(), 1);
    }
}

// The scan list shows whole addresses and names: no cell is cut short by its column.

#include "discovery/discovery_datagram.h"
#include "discovery/scan_window.h"
#include "support/test_ports.h"

#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

using TestSupport::waitUntil;

constexpr int kLeastWidths[] = {88, 110, 110, 120};

// Answers as a unit would, from its own loopback address, straight to the window's port.
void sendReply(const QString& from, quint16 port, const Discovery::DiscoveryReply& reply) {
    QUdpSocket unit;
    ASSERT_TRUE(unit.bind(QHostAddress(from), 0));
    const QByteArray datagram = Discovery::encodeDiscoveryReply(reply);
    ASSERT_EQ(unit.writeDatagram(datagram, QHostAddress::LocalHost, port), datagram.size());
}

// What a cell needs besides its text: the style's margin on each side and the grid line.
int cellMargins(const QTableWidget* list) {
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    return 2 * margin + (list->showGrid() ? 1 : 0);
}

TEST(ScanListWidth, FullAddressesAndLongestNamesAreNotCut) {
    Base::NetworkSettings settings;
    settings.broadcast = {QStringLiteral("127.255.255.255")};
    settings.discoveryPort = TestSupport::freeUdpPort();
    Discovery::ScanWindow window(settings);
    window.show();
    QTableWidget* list = window.listView();
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(list->columnWidth(c), kLeastWidths[c]) << "column " << c << " before any reply";

    // Wide letters fill each field to its last byte.
    const struct {
        const char* from;
        Discovery::DiscoveryReply reply;
    } units[] = {
        {"127.100.100.100", {"ABCDEFGHIJKLMNOP", "WORKGROUP", "1.0.3"}},
        {"127.0.0.2", {"WWWWWWWWWWWWWWWW", "MMMMMMMMMMMMMMMM", "1.0.3"}},
        {"127.200.200.200", {"mmmmmmmmmmmmmmmm", "@@@@@@@@@@@@@@@@", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"}},
    };
    int sent = 0;
    for (const auto& unit : units) {
        sendReply(QString::fromLatin1(unit.from), settings.discoveryPort, unit.reply);
        ++sent;
        ASSERT_TRUE(waitUntil([&] { return list->rowCount() == sent; })) << unit.from;
    }

    const QFontMetrics metrics = list->fontMetrics();
    for (int c = 0; c < 4; ++c) {
        EXPECT_GE(list->columnWidth(c), kLeastWidths[c]) << "column " << c;
        for (int row = 0; row < list->rowCount(); ++row) {
            const QString text = list->item(row, c)->text();
            EXPECT_LE(metrics.horizontalAdvance(text) + cellMargins(list), list->columnWidth(c))
                << "row " << row << " column " << c << " cuts " << text.toStdString();
        }
    }

    // A new scan empties the list and starts again from the least widths.
    window.ScanBtnClick();
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(list->columnWidth(c), kLeastWidths[c]) << "column " << c << " after a new scan";
}

} // namespace

// The scan window offscreen against zuredor-sim on the loopback broadcast.

#include "discovery/scan_window.h"
#include "support/fifo_probe.h"
#include "support/sim_process.h"
#include "support/test_ports.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using TestSupport::waitUntil;

QStringList column(QTableWidget* list, int c) {
    QStringList texts;
    for (int row = 0; row < list->rowCount(); ++row)
        texts << list->item(row, c)->text();
    return texts;
}

struct Fixture {
    explicit Fixture(QStringList simArguments = {}) {
        settings.broadcast = QStringLiteral("127.255.255.255");
        settings.discoveryPort = TestSupport::freeUdpPort();
        sim = std::make_unique<TestSupport::SimProcess>(
            QStringList{QStringLiteral("--discovery-port"), QString::number(settings.discoveryPort)} + simArguments);
        window = std::make_unique<Discovery::TForm1>(settings);
        window->show();
    }
    Base::NetworkSettings settings;
    std::unique_ptr<TestSupport::SimProcess> sim;
    std::unique_ptr<Discovery::TForm1> window;
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
    QTest::qWait(200);
    EXPECT_EQ(list->rowCount(), 3) << "each unit once";
}

TEST(ScanWindow, FaultyUnitsAddOnlyTheirGoodAnswers) {
    Fixture f({QStringLiteral("--units"), QStringLiteral("2"), QStringLiteral("--malformed"), QStringLiteral("all"),
               QStringLiteral("--answer-twice")});
    ASSERT_TRUE(f.sim->start()) << f.sim->output().toStdString();
    QTableWidget* list = f.window->listView();
    f.window->ScanBtnClick();
    ASSERT_TRUE(waitUntil([&] { return list->rowCount() == 2; }));
    QTest::qWait(300);
    EXPECT_EQ(column(list, 1), (QStringList{QStringLiteral("ZurEdor-1"), QStringLiteral("ZurEdor-2")}))
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

} // namespace

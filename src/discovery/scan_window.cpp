#include "discovery/scan_window.h"

#include "base/localize.h"
#include "base/version.h"
#include "ui/current_device.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTableWidget>

namespace Discovery {

namespace {

constexpr int kBarMaximum = 130;
constexpr int kBarStep = 10;
// The list's original widths, kept as the least each column gets.
constexpr int kColumnWidths[] = {88, 110, 110, 120};

} // namespace

ScanWindow::ScanWindow(const Base::NetworkSettings& settings, QWidget* parent)
    : Ui::FormBase(parent), m_settings(settings) {
    setObjectName(QStringLiteral("TForm1"));
    setFixedSize(476, 326);

    m_ScanBar = new QProgressBar(this);
    m_ScanBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_ScanBar->setGeometry(20, 10, 433, 7);
    m_ScanBar->setRange(0, kBarMaximum);
    m_ScanBar->setValue(0);
    m_ScanBar->setTextVisible(false);

    m_HDListView = new QTableWidget(0, 4, this);
    m_HDListView->setObjectName(QStringLiteral("HDListView"));
    m_HDListView->setGeometry(20, 24, 433, 214);
    m_HDListView->setShowGrid(true);
    m_HDListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_HDListView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_HDListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_HDListView->setWordWrap(false);
    m_HDListView->verticalHeader()->setVisible(false);
    m_HDListView->verticalHeader()->setDefaultSectionSize(18);
    m_HDListView->horizontalHeader()->setHighlightSections(false);
    m_HDListView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont listFont = m_HDListView->font();
    listFont.setPixelSize(12);
    m_HDListView->setFont(listFont);
    QPalette listPalette = m_HDListView->palette();
    listPalette.setColor(QPalette::Text, Ui::kNavy);
    m_HDListView->setPalette(listPalette);
    const char* const titles[] = {"IP Address", "HD Name", "Group Name", "Firmware Version"};
    for (int column = 0; column < 4; ++column)
        m_HDListView->setHorizontalHeaderItem(
            column, new QTableWidgetItem(Base::LocalizeText(QString::fromLatin1(titles[column]))));
    resetColumns();

    m_ScanBtn = new QPushButton(Base::LocalizeText(QStringLiteral("Scan")), this);
    m_ScanBtn->setObjectName(QStringLiteral("ScanBtn"));
    m_ScanBtn->setGeometry(372, 260, 81, 33);
    // The remembered drives open from the window's context menu, which leaves its layout as it was.
    m_DrivesMenuItem = new QAction(Base::LocalizeText(QStringLiteral("Drives...")), this);
    m_DrivesMenuItem->setObjectName(QStringLiteral("DrivesMenuItem"));
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(m_DrivesMenuItem);
    m_HDListView->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_HDListView->addAction(m_DrivesMenuItem);

    setWindowTitle(Base::LocalizeText(QStringLiteral("Scan Zur Edor - Version ")) +
                   QString::fromLatin1(Base::kProgramVersion));

    // A child by name, so a test can run the thirteen ticks without waiting thirteen seconds.
    m_ScanTimer.setParent(this);
    m_ScanTimer.setObjectName(QStringLiteral("Timer1"));
    m_ScanTimer.setInterval(1000);
    m_ScanTimer.stop();

    connect(m_ScanBtn, &QPushButton::clicked, this, &ScanWindow::ScanBtnClick);
    connect(m_DrivesMenuItem, &QAction::triggered, this, &ScanWindow::drivesChosen);
    connect(&m_ScanTimer, &QTimer::timeout, this, &ScanWindow::ScanTimerTick);
    connect(m_HDListView, &QTableWidget::clicked, this, &ScanWindow::HDListViewClick);
    connect(&m_endpoint, &UdpEndpoint::datagramReceived, this,
            [this](const QByteArray& datagram, const QHostAddress& sender, quint16) { onDatagram(datagram, sender); });

    // Replies are accepted from the start; no query goes out until Scan.
    m_endpoint.open(m_settings.discoveryPort);
}

void ScanWindow::ScanBtnClick() {
    // No box for a failed send: the window never showed one for a scan that finds nothing.
    m_querySender.start(targetsFor(m_settings.broadcast), m_settings.discoveryPort);
    m_HDListView->setRowCount(0);
    resetColumns();
    m_collector.clear();
    m_ScanTimer.start();
    m_ScanBar->setValue(0);
}

void ScanWindow::ScanTimerTick() {
    if (m_ScanBar->value() + kBarStep == kBarMaximum)
        m_ScanTimer.stop();
    m_ScanBar->setValue(qMin(kBarMaximum, m_ScanBar->value() + kBarStep));
}

void ScanWindow::HDListViewClick() {
    const int row = m_HDListView->currentRow();
    if (row < 0 || !m_HDListView->selectionModel()->isRowSelected(row, QModelIndex()))
        return;
    Ui::CurrentDevice().ip = m_HDListView->item(row, 0)->text();
    Q_EMIT deviceChosen();
}

void ScanWindow::resetColumns() {
    for (int column = 0; column < 4; ++column)
        m_HDListView->setColumnWidth(column, kColumnWidths[column]);
}

// The original widths cut a full dotted address or a 16-character name short
// with today's fonts: a column grows to the widest text it holds and the list
// scrolls sideways. Only the new row is measured, so a large fleet stays cheap.
void ScanWindow::fitColumnsTo(int row) {
    QStyleOptionViewItem option;
    option.initFrom(m_HDListView);
    option.widget = m_HDListView;
    const int grid = m_HDListView->showGrid() ? 1 : 0;
    for (int column = 0; column < 4; ++column) {
        const QModelIndex index = m_HDListView->model()->index(row, column);
        const int wanted = m_HDListView->itemDelegate()->sizeHint(option, index).width() + grid;
        if (wanted > m_HDListView->columnWidth(column))
            m_HDListView->setColumnWidth(column, wanted);
    }
}

void ScanWindow::onDatagram(const QByteArray& datagram, const QHostAddress& sender) {
    auto row = m_collector.accept(sender, datagram);
    if (!row)
        return;
    const int index = m_HDListView->rowCount();
    m_HDListView->insertRow(index);
    const QString cells[] = {row->ip, displayText(row->reply.hostName), displayText(row->reply.groupName),
                             displayText(row->reply.firmwareVersion)};
    for (int column = 0; column < 4; ++column)
        m_HDListView->setItem(index, column, new QTableWidgetItem(cells[column]));
    fitColumnsTo(index);
    Q_EMIT rowAdded(index);
}

} // namespace Discovery

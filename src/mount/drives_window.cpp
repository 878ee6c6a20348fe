#include "mount/drives_window.h"

#include "base/localize.h"
#include "ui/message_box.h"
#include "ui/request_runner.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace Mount {

namespace {

using Drives::DriveState;
using Drives::RememberedDrive;

constexpr int kLeastColumnWidth = 60;
// The header's own padding around a title, with room to spare.
constexpr int kTitleMargin = 16;

// ShownState's words in the person's language.
QString stateText(const QString& word) {
    using Base::LocalizeText;
    if (word == QLatin1String("mounted"))
        return LocalizeText(QStringLiteral("mounted"));
    if (word == QLatin1String("at a new address"))
        return LocalizeText(QStringLiteral("at a new address"));
    if (word == QLatin1String("not mounted"))
        return LocalizeText(QStringLiteral("not mounted"));
    if (word == QLatin1String("unit not found"))
        return LocalizeText(QStringLiteral("unit not found"));
    if (word == QLatin1String("refused"))
        return LocalizeText(QStringLiteral("refused"));
    if (word == QLatin1String("password needed"))
        return LocalizeText(QStringLiteral("password needed"));
    return word;
}

QString shareOf(const RememberedDrive& drive) {
    return ShareRemoteName(Discovery::displayText(drive.hostName), drive.folder);
}

// Words that are not the program's own (a path, the system's), under the program's title.
void showWords(const QString& words) {
    Ui::showMessage(words, QGuiApplication::applicationDisplayName(), Base::Icon::Information);
}

std::optional<QString> askInBox(QWidget* parent, const RememberedDrive& drive) {
    bool given = false;
    const QString password = QInputDialog::getText(parent, Base::LocalizeText(QStringLiteral("Reconnect")),
                                                   Base::LocalizeText(QStringLiteral("Share password for %1 (%2)"))
                                                       .arg(ShareLocalName(drive.letter), shareOf(drive)),
                                                   QLineEdit::Password, QString(), &given);
    return given ? std::optional<QString>(password) : std::nullopt;
}

} // namespace

DrivesWindow::DrivesWindow(const Base::NetworkSettings& settings, QWidget* parent)
    : DrivesWindow(Platform::systemNetworkDrives(), SystemDriveServices(settings), kMountTimeout, parent) {}

DrivesWindow::DrivesWindow(std::unique_ptr<Platform::NetworkDrives> platform, DriveServices services,
                           std::chrono::milliseconds timeout, QWidget* parent)
    : Ui::FormBase(parent), m_platform(std::move(platform)), m_services(std::move(services)), m_timeout(timeout),
      m_askPassword([this](const RememberedDrive& drive) { return askInBox(this, drive); }) {
    setObjectName(QStringLiteral("DrivesWindow"));
    setFixedSize(420, 262);

    m_DriveList = new QTableWidget(0, 4, this);
    m_DriveList->setObjectName(QStringLiteral("DriveList"));
    m_DriveList->setGeometry(16, 16, 388, 180);
    m_DriveList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_DriveList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_DriveList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_DriveList->setWordWrap(false);
    m_DriveList->verticalHeader()->setVisible(false);
    m_DriveList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette listPalette = m_DriveList->palette();
    listPalette.setColor(QPalette::Text, Ui::kNavy);
    m_DriveList->setPalette(listPalette);

    m_ReconnectBtn = new QPushButton(this);
    m_ReconnectBtn->setObjectName(QStringLiteral("ReconnectBtn"));
    m_ReconnectBtn->setGeometry(196, 212, 100, 33);
    m_ForgetBtn = new QPushButton(this);
    m_ForgetBtn->setObjectName(QStringLiteral("ForgetBtn"));
    m_ForgetBtn->setGeometry(304, 212, 100, 33);

    connect(m_DriveList, &QTableWidget::itemSelectionChanged, this, &DrivesWindow::DriveListChange);
    connect(m_ReconnectBtn, &QPushButton::clicked, this, &DrivesWindow::ReconnectBtnClick);
    connect(m_ForgetBtn, &QPushButton::clicked, this, &DrivesWindow::ForgetBtnClick);
    DriveListChange();
}

DrivesWindow::~DrivesWindow() = default;

std::optional<QList<RememberedDrive>> DrivesWindow::readList() {
    Drives::DrivesRead read = Drives::loadDrives(m_services.drivesPath);
    if (read.unreadable) {
        showWords(read.skipped.join(u'\n'));
        return std::nullopt;
    }
    return read.drives;
}

void DrivesWindow::saveList(const QList<RememberedDrive>& drives) {
    if (const auto failed = Drives::saveDrives(m_services.drivesPath, drives))
        showWords(*failed);
}

void DrivesWindow::refresh() {
    const Drives::DrivesRead read = Drives::loadDrives(m_services.drivesPath);
    m_DriveList->clearSelection();
    m_DriveList->setRowCount(0);
    for (const RememberedDrive& drive : read.drives) {
        const int row = m_DriveList->rowCount();
        m_DriveList->insertRow(row);
        const QString cells[] = {ShareLocalName(drive.letter),
                                 QStringLiteral("%1 (%2)").arg(Discovery::displayText(drive.hostName),
                                                               Discovery::displayText(drive.groupName)),
                                 drive.folder, stateText(ShownState(drive, *m_platform))};
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            m_DriveList->setItem(row, column, item);
        }
        // The row's drive is known by its letter, not by its place: the file may change under the list.
        m_DriveList->item(row, 0)->setData(Qt::UserRole, QString(drive.letter));
    }
    // An unreadable file's words, where the list would be.
    m_DriveList->setToolTip(read.skipped.join(u'\n'));
    fitColumns();
    DriveListChange();
}

// Every title and name readable in every language; the list scrolls sideways when they are long.
void DrivesWindow::fitColumns() {
    const QHeaderView* header = m_DriveList->horizontalHeader();
    m_DriveList->resizeColumnsToContents();
    for (int column = 0; column < m_DriveList->columnCount(); ++column) {
        const QTableWidgetItem* title = m_DriveList->horizontalHeaderItem(column);
        const int titleWidth =
            title != nullptr ? header->fontMetrics().horizontalAdvance(title->text()) + kTitleMargin : 0;
        m_DriveList->setColumnWidth(column,
                                    std::max({kLeastColumnWidth, titleWidth, m_DriveList->columnWidth(column)}));
    }
}

void DrivesWindow::DriveListChange() {
    const bool chosen = selectedLetter().has_value();
    m_ReconnectBtn->setEnabled(chosen);
    m_ForgetBtn->setEnabled(chosen);
}

std::optional<QChar> DrivesWindow::selectedLetter() const {
    const QList<QTableWidgetItem*> selected = m_DriveList->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    const QTableWidgetItem* first = m_DriveList->item(selected.constFirst()->row(), 0);
    const QString letter = first != nullptr ? first->data(Qt::UserRole).toString() : QString();
    if (letter.size() != 1)
        return std::nullopt;
    return letter.front();
}

void DrivesWindow::ReconnectBtnClick() {
    const std::optional<QChar> letter = selectedLetter();
    if (!letter)
        return;
    std::optional<QList<RememberedDrive>> drives = readList();
    if (!drives)
        return;
    const auto kept = std::find_if(drives->cbegin(), drives->cend(),
                                   [&letter](const RememberedDrive& drive) { return drive.letter == *letter; });
    if (kept == drives->cend()) {
        // Forgotten elsewhere since the list was read.
        refresh();
        return;
    }
    QList<RememberedDrive> one{*kept};
    const DriveServices& services = m_services;
    Platform::NetworkDrives& platform = *m_platform;
    const std::chrono::milliseconds timeout = m_timeout;
    const QList<Discovery::DeviceRow> rows = Ui::runRequest([&services] { return services.scan(); });
    QList<DriveOutcome> outcomes = Ui::runRequest([&one, &rows, &platform, &services, timeout] {
        return ReconnectDrives(one, rows, platform, *services.secrets, nullptr, timeout);
    });
    if (one.constFirst().state == DriveState::PasswordNeeded) {
        // Asked here, between two requests: a box never opens while one runs.
        if (const std::optional<QString> password = m_askPassword(one.constFirst())) {
            const AskPassword given = [&password](const RememberedDrive&) -> std::optional<QString> {
                return *password;
            };
            outcomes = Ui::runRequest([&one, &rows, &platform, &services, &given, timeout] {
                return ReconnectDrives(one, rows, platform, *services.secrets, given, timeout);
            });
        }
    }
    // What was found goes back into the list as it is now, in place of this letter's drive only.
    if (std::optional<QList<RememberedDrive>> now = readList()) {
        if (Drives::forgetDrive(*now, *letter)) {
            Drives::rememberDrive(*now, one.constFirst());
            saveList(*now);
        }
    }
    refresh();
    if (!outcomes.isEmpty() && !outcomes.constFirst().mounted())
        showWords(QStringLiteral("%1 %2").arg(ShareLocalName(*letter), outcomes.constFirst().words));
}

void DrivesWindow::ForgetBtnClick() {
    const std::optional<QChar> letter = selectedLetter();
    if (!letter)
        return;
    std::optional<QList<RememberedDrive>> drives = readList();
    if (!drives)
        return;
    const std::optional<RememberedDrive> forgotten = Drives::forgetDrive(*drives, *letter);
    if (forgotten) {
        saveList(*drives);
        if (forgotten->passwordKept) {
            Platform::SecretStore& secrets = *m_services.secrets;
            const RememberedDrive& drive = *forgotten;
            Ui::runRequest([&secrets, &drive] { secrets.Clear(SecretAttributesOf(drive)); });
        }
    }
    refresh();
}

void DrivesWindow::showEvent(QShowEvent* event) {
    setWindowTitle(Base::LocalizeText(QStringLiteral("Remembered Drives")));
    const QString titles[] = {Base::LocalizeText(QStringLiteral("Letter")), Base::LocalizeText(QStringLiteral("Unit")),
                              Base::LocalizeText(QStringLiteral("Folder")),
                              Base::LocalizeText(QStringLiteral("State"))};
    for (int column = 0; column < 4; ++column)
        m_DriveList->setHorizontalHeaderItem(column, new QTableWidgetItem(titles[column]));
    m_ReconnectBtn->setText(Base::LocalizeText(QStringLiteral("Reconnect")));
    m_ForgetBtn->setText(Base::LocalizeText(QStringLiteral("Forget")));
    refresh();
    Ui::FormBase::showEvent(event);
}

} // namespace Mount

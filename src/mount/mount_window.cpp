#include "mount/mount_window.h"

#include "base/localize.h"
#include "ui/current_device.h"
#include "ui/message_box.h"
#include "ui/plain_label.h"
#include "ui/request_runner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcessEnvironment>
#include <QPushButton>

namespace Mount {

namespace {

template <class W> W* styled(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    QFont font = widget->font();
    font.setPixelSize(13);
    widget->setFont(font);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, Ui::kNavy);
    pal.setColor(QPalette::Text, Ui::kNavy);
    widget->setPalette(pal);
    return widget;
}

// The item the box's text names, or -1. An editable box keeps its old item
// current while other text is typed over it; that item must not be mounted.
int chosenItem(const QComboBox* box) {
    const QString text = box->currentText();
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current).compare(text, Qt::CaseInsensitive) == 0)
        return current;
    // As the box itself matches on Enter.
    return box->findText(text, Qt::MatchFixedString);
}

// The name the share is connected as: the person's own.
QString localUser() {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString user = environment.value(QStringLiteral("USER"));
    return user.isEmpty() ? environment.value(QStringLiteral("USERNAME")) : user;
}

} // namespace

MountWindow::MountWindow(const Base::NetworkSettings& settings, QWidget* parent)
    : MountWindow(Platform::systemNetworkDrives(), SystemDriveServices(settings), kMountTimeout, parent) {}

MountWindow::MountWindow(std::unique_ptr<Platform::NetworkDrives> drives, DriveServices services,
                         std::chrono::milliseconds timeout, QWidget* parent)
    : Ui::FormBase(parent), m_drives(std::move(drives)), m_services(std::move(services)), m_timeout(timeout) {
    setObjectName(QStringLiteral("TForm5"));
    // Taller than it was by the row of the reconnect check box.
    setFixedSize(249, 206);

    m_DiskNumberLabel = styled(Ui::plainLabel(QString(), this), "Label1");
    m_DiskNumberLabel->setGeometry(16, 16, 90, 21);
    m_CmbDrive = styled(new QComboBox(this), "CmbDrive");
    m_CmbDrive->setEditable(true);
    // Enter must not make a letter or a folder the platform never offered.
    m_CmbDrive->setInsertPolicy(QComboBox::NoInsert);
    m_CmbDrive->setGeometry(112, 14, 121, 23);

    m_FolderLabel = styled(Ui::plainLabel(QString(), this), "Label2");
    m_FolderLabel->setGeometry(16, 50, 90, 21);
    m_FolderCB = styled(new QComboBox(this), "FolderCB");
    m_FolderCB->setEditable(true);
    m_FolderCB->setInsertPolicy(QComboBox::NoInsert);
    m_FolderCB->setGeometry(112, 48, 121, 23);

    m_PasswordLabel = styled(Ui::plainLabel(QString(), this), "Label3");
    m_PasswordLabel->setGeometry(16, 84, 90, 21);
    m_FolderPassEdit = styled(new QLineEdit(this), "FolderPassEdit");
    m_FolderPassEdit->setEchoMode(QLineEdit::Password);
    m_FolderPassEdit->setGeometry(112, 82, 121, 23);

    m_ReconnectCheck = styled(new QCheckBox(this), "ReconnectCheck");
    m_ReconnectCheck->setGeometry(16, 116, 225, 23);
#ifdef Q_OS_WIN
    // Windows restores a remembered drive itself, and people there expect it.
    m_ReconnectCheck->setChecked(true);
#else
    // Until the person asks for it: a drive kept here is mounted again at every sign-in.
    m_ReconnectCheck->setChecked(false);
#endif

    m_MountSetBtn = styled(new QPushButton(this), "MountSetBtn");
    m_MountSetBtn->setGeometry(152, 152, 81, 33);

    setTabOrder(m_CmbDrive, m_FolderCB);
    setTabOrder(m_FolderCB, m_FolderPassEdit);
    setTabOrder(m_FolderPassEdit, m_ReconnectCheck);
    setTabOrder(m_ReconnectCheck, m_MountSetBtn);

    // Once, at creation: a letter taken or freed later is not seen until the next start.
    m_CmbDrive->addItems(OfferedDriveLetters(*m_drives));
    m_CmbDrive->setCurrentIndex(m_CmbDrive->count() > 0 ? 0 : -1);

    connect(m_MountSetBtn, &QPushButton::clicked, this, &MountWindow::MountSetBtnClick);
}

MountWindow::~MountWindow() = default;

void MountWindow::MountSetBtnClick() {
    const int drive = chosenItem(m_CmbDrive);
    const int folder = chosenItem(m_FolderCB);
    // The unit logged in to, not the scan window's row: its address may have moved since.
    const MountChoice choice{drive >= 0 ? m_CmbDrive->itemText(drive) : QString(),
                             folder >= 0 ? m_FolderCB->itemText(folder) : QString(), m_FolderPassEdit->text(),
                             Ui::CurrentDevice().ip};
    const auto checked = CheckMountChoice(choice);
    if (const auto* refusal = std::get_if<Base::Refusal>(&checked)) {
        Ui::showRefusal(*refusal);
        return;
    }
    const MountRequest& request = std::get<MountRequest>(checked);
    std::optional<Discovery::DeviceRow> unit;
    if (m_ReconnectCheck->isChecked()) {
        // The unit is found again by its names, so they are asked of it first; without them nothing is mounted.
        const auto& askNames = m_services.askNames;
        unit = Ui::runRequest([&askNames, &request] { return askNames(request.host); });
        if (!unit) {
            Ui::showLocalized(
                QStringLiteral("The unit did not answer, so the drive cannot be remembered. Nothing was mounted."),
                QStringLiteral("Mount Error"), Base::Icon::Warning);
            return;
        }
    }
    Platform::NetworkDrives& drives = *m_drives;
    const std::chrono::milliseconds timeout = m_timeout;
    const MountResult result =
        Ui::runRequest([&drives, &request, timeout] { return MountShare(drives, request, false, timeout); });
    if (result.code != 0) {
        // The platform's words as they are, under the program's title.
        Ui::showMessage(result.errorText, QGuiApplication::applicationDisplayName(), Base::Icon::Information);
        return;
    }
    Ui::showRefusal(MountSuccessBox());
    if (unit)
        rememberMounted(request, *unit);
    m_FolderCB->setCurrentIndex(m_FolderCB->count() > 0 ? 0 : -1);
}

void MountWindow::rememberMounted(const MountRequest& request, const Discovery::DeviceRow& unit) {
    const Drives::RememberedDrive drive{
        request.letter, unit.reply.hostName, unit.reply.groupName,        request.host,
        request.folder, localUser(),         !request.password.isEmpty(), Drives::DriveState::Mounted};
    const DriveServices& services = m_services;
    const RememberResult kept = Ui::runRequest([&services, &drive, &request] {
        return RememberMounted(services.drivesPath, drive, request.password, *services.secrets);
    });
    if (!kept.failed.isEmpty()) {
        Ui::showRefusal({QStringLiteral("The drive is mounted but not remembered:"),
                         QStringLiteral("Mount"),
                         Base::Icon::Warning,
                         {{QStringLiteral("\n") + kept.failed, false}}});
    } else if (!kept.passwordNotKept.isEmpty()) {
        Ui::showRefusal(
            {QStringLiteral("The share password is not kept; it will be asked for when the drive is reconnected."),
             QStringLiteral("Mount"),
             Base::Icon::Information,
             {{QStringLiteral("\n(") + kept.passwordNotKept + u')', false}}});
    }
}

void MountWindow::setFolders(const QStringList& folders) {
    m_FolderCB->clear();
    m_FolderCB->addItems(folders);
    m_FolderCB->setCurrentIndex(-1);
}

void MountWindow::showEvent(QShowEvent* event) {
    setWindowTitle(Base::LocalizeText(QStringLiteral("Mount Disk")));
    m_DiskNumberLabel->setText(Base::LocalizeText(QStringLiteral("Disk Number")));
    m_FolderLabel->setText(Base::LocalizeText(QStringLiteral("Folder")));
    m_PasswordLabel->setText(Base::LocalizeText(QStringLiteral("Password")));
    m_ReconnectCheck->setText(Base::LocalizeText(QStringLiteral("Reconnect at sign-in")));
    m_MountSetBtn->setText(Base::LocalizeText(QStringLiteral("Set")));
    Ui::FormBase::showEvent(event);
}

} // namespace Mount

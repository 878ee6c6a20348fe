#include "console/console_window.h"

#include "base/localize.h"
#include "console/console_page.h"
#include "console/disk_tab.h"
#include "console/ftp_account_tab.h"
#include "console/ftp_tab.h"
#include "console/ip_config_tab.h"
#include "console/maintenance_tab.h"
#include "console/page_control.h"
#include "console/smb_tab.h"
#include "console/status_tab.h"
#include "ui/current_device.h"
#include "ui/message_box.h"
#include "ui/request_runner.h"
#include "web/page_fetch.h"

#include <QCloseEvent>
#include <QThread>
#include <QTimer>

namespace Console {

ConsoleWindow::ConsoleWindow(const Web::Settings& settings, QWidget* parent)
    : Ui::FormBase(parent), m_settings(settings), m_httpClient(settings) {
    setObjectName(QStringLiteral("TForm2"));
    setFixedSize(595, 586);
    QFont windowFont = font();
    windowFont.setPixelSize(11);
    setFont(windowFont);
    m_sender = std::make_unique<Web::CgiSender>(m_httpClient, Ui::CurrentDevice(), *this, m_settings);

    m_PageControl = new PageControl(this);
    m_PageControl->setGeometry(8, 8, 569, 537);
    QFont tabFont = m_PageControl->font();
    tabFont.setPixelSize(13);
    m_PageControl->setFont(tabFont);

    m_StatusTab = new StatusTab(*this);
    m_IpConfigTab = new IpConfigTab(*this);
    m_MaintenanceTab = new MaintenanceTab(*this);
    m_SmbTab = new SmbTab(*this);
    m_FtpTab = new FtpTab(*this);
    m_FtpAccountTab = new FtpAccountTab(*this);
    connect(m_FtpTab, &FtpTab::accountPicked, m_FtpAccountTab, &FtpAccountTab::expectAccount);
    m_DiskTab = new DiskTab(*this);
    m_pages = {m_StatusTab, m_IpConfigTab, m_MaintenanceTab, m_SmbTab, m_FtpTab, m_FtpAccountTab, m_DiskTab};
    for (ConsolePage* sheet : m_pages) {
        sheet->setAutoFillBackground(true);
        QPalette pal = sheet->palette();
        pal.setColor(QPalette::Window, Ui::kSkyBlue);
        sheet->setPalette(pal);
        m_PageControl->addTab(sheet, QString::fromLatin1(sheet->captionKey()));
    }
    translateCaptions();

    connect(m_PageControl, &QTabWidget::currentChanged, this, &ConsoleWindow::PageControlChange);
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::translateCaptions() {
    for (int i = 0; i < kPageCount; ++i) {
        ConsolePage* sheet = m_pages[static_cast<std::size_t>(i)];
        m_PageControl->setTabText(i, Base::LocalizeText(QString::fromLatin1(sheet->captionKey())));
        sheet->translateCaptions();
    }
}

void ConsoleWindow::showOnFirstPage() {
    m_PageControl->setCurrentIndex(kStatusPage);
    showAndRaise();
}

void ConsoleWindow::clearAdministratorFields() {
    m_StatusTab->clearAdministratorFields();
}

void ConsoleWindow::showEvent(QShowEvent* event) {
    updateCaption();
    setModifyFtpTabVisible(false);
    for (ConsolePage* sheet : m_pages)
        sheet->consoleShown();
    Ui::FormBase::showEvent(event);
    // The page in view is read once the window is up, so it paints while the unit answers.
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            showPage(m_PageControl->currentIndex());
    });
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
    for (ConsolePage* sheet : m_pages)
        sheet->consoleClosed();
    hide();
    setModifyFtpTabVisible(false);
    m_PageControl->setCurrentIndex(kFtpPage);
    Ui::FormBase::closeEvent(event);
}

void ConsoleWindow::updateCaption() {
    setWindowTitle(Base::LocalizeText(QStringLiteral("Management")) + QLatin1Char(' ') + Ui::CurrentDevice().ip);
}

void ConsoleWindow::setModifyFtpTabVisible(bool visible) {
    m_PageControl->setTabVisible(kModifyFtpPage, visible);
}

void ConsoleWindow::bringPageIntoView(int index) {
    // A page already in view is read again, as a change of page would read it.
    if (m_PageControl->currentIndex() == index)
        showPage(index);
    else
        m_PageControl->setCurrentIndex(index);
}

Web::PostResult ConsoleWindow::PostMultipart(const QString& url, Web::THttpDataStream& body, const QString& referer,
                                             const std::function<void(qint64, qint64)>& progress) {
    const Web::PostFields fields{Ui::CurrentDevice().userName, Ui::CurrentDevice().password, referer};
    return Ui::runRequest([&] { return Web::PostMultipart(url, body, fields, m_settings, progress); });
}

void ConsoleWindow::PageControlChange(int index) {
    // Pages change while the console is hidden too (at close, before a show); only a page in view is read.
    if (!isVisible())
        return;
    showPage(index);
    pause();
    if (m_ConnectFailedFlag > 0 && m_PageControl->currentIndex() == kFtpPage) {
        setModifyFtpTabVisible(false);
        m_PageControl->setCurrentWidget(m_FtpTab);
    }
}

void ConsoleWindow::setDialogs(const ConsoleDialogs& dialogs) {
    m_dialogs = dialogs;
    for (ConsolePage* sheet : m_pages)
        sheet->dialogsReady();
}

void ConsoleWindow::showPage(int index) {
    // A page outside the seven reads nothing.
    if (index >= 0 && index < kPageCount)
        m_pages[static_cast<std::size_t>(index)]->showPage();
}

void ConsoleWindow::pause() {
    Ui::runRequest([this] { QThread::msleep(static_cast<unsigned long>(std::max(m_settings.pauseMs, 0))); });
}

UnitAddress ConsoleWindow::unit() const {
    return {Ui::CurrentDevice().ip, m_settings.devicePort};
}

QByteArray ConsoleWindow::FetchPage() {
    return Web::FetchPage(Ui::CurrentDevice(), m_settings, *this).page;
}

Web::SendCgiResult ConsoleWindow::SendCgi(const CgiChange& change) {
    return m_sender->SendCgi(change.url, change.page, viewInSight());
}

Web::SendCgiResult ConsoleWindow::SendRepeated(const CgiChange& change) {
    return m_sender->SendRepeated(change.url, change.page, viewInSight());
}

Web::SendCgiResult ConsoleWindow::SendWithRetry(const CgiChange& change, int sheet) {
    return m_sender->SendWithRetry(change.url, change.page, sheet);
}

void ConsoleWindow::administratorChangeSent() {
    setEnabled(false);
    Q_EMIT administratorLoginRequested();
}

void ConsoleWindow::showMessage(const Base::Refusal& box) {
    Ui::showRefusal(box);
}

bool ConsoleWindow::confirm(const Base::Refusal& question) {
    return Ui::confirm(Base::refusalText(question), Base::LocalizeText(question.captionKey), question.icon);
}

void ConsoleWindow::runRequest(const std::function<void()>& request) {
    Ui::runRequest(request);
}

int ConsoleWindow::viewInSight() {
    return m_PageControl->currentIndex();
}

QString ConsoleWindow::newPassword() {
    return m_StatusTab->administratorPassword();
}

bool ConsoleWindow::addressFromDhcp() {
    return m_IpConfigTab->automaticChecked();
}

QString ConsoleWindow::newAddress() {
    return m_IpConfigTab->ipAddressText();
}

void ConsoleWindow::findUnitAgain() {
    hide();
    Q_EMIT rescanRequested();
}

} // namespace Console

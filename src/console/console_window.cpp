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

TForm2::TForm2(const Web::Settings& settings, QWidget* parent)
    : Ui::FormBase(parent), m_settings(settings), m_NMHTTP1(settings) {
    setObjectName(QStringLiteral("TForm2"));
    setFixedSize(595, 586);
    QFont windowFont = font();
    windowFont.setPixelSize(11);
    setFont(windowFont);
    m_sender = std::make_unique<Web::CgiSender>(m_NMHTTP1, Ui::CurrentDevice(), *this, m_settings);

    m_PageControl1 = new PageControl(this);
    m_PageControl1->setGeometry(8, 8, 569, 537);
    QFont tabFont = m_PageControl1->font();
    tabFont.setPixelSize(13);
    m_PageControl1->setFont(tabFont);

    m_TabSheet1 = new StatusTab(*this);
    m_TabSheet2 = new IpConfigTab(*this);
    m_TabSheet3 = new MaintenanceTab(*this);
    m_TabSheet4 = new SmbTab(*this);
    m_TabSheet5 = new FtpTab(*this);
    m_TabSheet6 = new FtpAccountTab(*this);
    connect(m_TabSheet5, &FtpTab::accountPicked, m_TabSheet6, &FtpAccountTab::expectAccount);
    m_TabSheet7 = new DiskTab(*this);
    m_pages = {m_TabSheet1, m_TabSheet2, m_TabSheet3, m_TabSheet4, m_TabSheet5, m_TabSheet6, m_TabSheet7};
    for (ConsolePage* sheet : m_pages) {
        sheet->setAutoFillBackground(true);
        QPalette pal = sheet->palette();
        pal.setColor(QPalette::Window, Ui::kSkyBlue);
        sheet->setPalette(pal);
        m_PageControl1->addTab(sheet, QString::fromLatin1(sheet->captionKey()));
    }
    translateCaptions();

    connect(m_PageControl1, &QTabWidget::currentChanged, this, &TForm2::PageControl1Change);
}

TForm2::~TForm2() = default;

void TForm2::translateCaptions() {
    for (int i = 0; i < kPageCount; ++i) {
        ConsolePage* sheet = m_pages[static_cast<std::size_t>(i)];
        m_PageControl1->setTabText(i, Base::LocalizeText(QString::fromLatin1(sheet->captionKey())));
        sheet->translateCaptions();
    }
}

void TForm2::showOnFirstPage() {
    m_PageControl1->setCurrentIndex(kStatusPage);
    showAndRaise();
}

void TForm2::clearAdministratorFields() {
    m_TabSheet1->clearAdministratorFields();
}

void TForm2::showEvent(QShowEvent* event) {
    updateCaption();
    setModifyFtpTabVisible(false);
    for (ConsolePage* sheet : m_pages)
        sheet->consoleShown();
    Ui::FormBase::showEvent(event);
    // The page in view is read once the window is up, so it paints while the unit answers.
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            showPage(m_PageControl1->currentIndex());
    });
}

void TForm2::closeEvent(QCloseEvent* event) {
    for (ConsolePage* sheet : m_pages)
        sheet->consoleClosed();
    hide();
    setModifyFtpTabVisible(false);
    m_PageControl1->setCurrentIndex(kFtpPage);
    Ui::FormBase::closeEvent(event);
}

void TForm2::updateCaption() {
    setWindowTitle(Base::LocalizeText(QStringLiteral("Management")) + QLatin1Char(' ') + Ui::CurrentDevice().ip);
}

void TForm2::setModifyFtpTabVisible(bool visible) {
    m_PageControl1->setTabVisible(kModifyFtpPage, visible);
}

void TForm2::bringPageIntoView(int index) {
    // A page already in view is read again, as a change of page would read it.
    if (m_PageControl1->currentIndex() == index)
        showPage(index);
    else
        m_PageControl1->setCurrentIndex(index);
}

Web::PostResult TForm2::PostMultipart(const QString& url, Web::THttpDataStream& body, const QString& referer,
                                      const std::function<void(qint64, qint64)>& progress) {
    const Web::PostFields fields{Ui::CurrentDevice().userName, Ui::CurrentDevice().password, referer};
    return Ui::runRequest([&] { return Web::PostMultipart(url, body, fields, m_settings, progress); });
}

void TForm2::PageControl1Change(int index) {
    // Pages change while the console is hidden too (at close, before a show); only a page in view is read.
    if (!isVisible())
        return;
    showPage(index);
    pause();
    if (m_ConnectFailedFlag > 0 && m_PageControl1->currentIndex() == kFtpPage) {
        setModifyFtpTabVisible(false);
        m_PageControl1->setCurrentWidget(m_TabSheet5);
    }
}

void TForm2::setDialogs(const ConsoleDialogs& dialogs) {
    m_dialogs = dialogs;
    for (ConsolePage* sheet : m_pages)
        sheet->dialogsReady();
}

void TForm2::showPage(int index) {
    // A page outside the seven reads nothing.
    if (index >= 0 && index < kPageCount)
        m_pages[static_cast<std::size_t>(index)]->showPage();
}

void TForm2::pause() {
    Ui::runRequest([this] { QThread::msleep(static_cast<unsigned long>(std::max(m_settings.pauseMs, 0))); });
}

UnitAddress TForm2::unit() const {
    return {Ui::CurrentDevice().ip, m_settings.devicePort};
}

QByteArray TForm2::FetchPage() {
    return Web::FetchPage(Ui::CurrentDevice(), m_settings, *this).page;
}

Web::SendCgiResult TForm2::SendCgi(const CgiChange& change) {
    return m_sender->SendCgi(change.url, change.page, viewInSight());
}

Web::SendCgiResult TForm2::SendRepeated(const CgiChange& change) {
    return m_sender->SendRepeated(change.url, change.page, viewInSight());
}

Web::SendCgiResult TForm2::SendWithRetry(const CgiChange& change, int sheet) {
    return m_sender->SendWithRetry(change.url, change.page, sheet);
}

void TForm2::administratorChangeSent() {
    setEnabled(false);
    Q_EMIT administratorLoginRequested();
}

void TForm2::showMessage(const Base::Refusal& box) {
    Ui::showRefusal(box);
}

bool TForm2::confirm(const Base::Refusal& question) {
    return Ui::confirm(Base::refusalText(question), Base::LocalizeText(question.captionKey), question.icon);
}

void TForm2::runRequest(const std::function<void()>& request) {
    Ui::runRequest(request);
}

int TForm2::viewInSight() {
    return m_PageControl1->currentIndex();
}

QString TForm2::newPassword() {
    return m_TabSheet1->administratorPassword();
}

bool TForm2::addressFromDhcp() {
    return m_TabSheet2->automaticChecked();
}

QString TForm2::newAddress() {
    return m_TabSheet2->ipAddressText();
}

void TForm2::findUnitAgain() {
    hide();
    Q_EMIT rescanRequested();
}

} // namespace Console

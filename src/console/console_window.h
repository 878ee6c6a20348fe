#pragma once

#include "console/cgi_change.h"
#include "console/console_context.h"
#include "console/page_tabs.h"
#include "ui/form_base.h"
#include "web/http_client.h"
#include "web/send_cgi.h"
#include "web/web_settings.h"

#include <array>
#include <memory>

namespace Console {

class ConsolePage;
class PageControl;
class StatusTab;
class IpConfigTab;
class MaintenanceTab;
class SmbTab;
class FtpTab;
class FtpAccountTab;
class DiskTab;

// The management console: seven pages of the unit in CurrentDevice under
// owner-drawn tabs. Each page reads the unit's page itself whenever it comes
// into view; the frame keeps no copy of any setting.
class ConsoleWindow final : public Ui::FormBase, public Web::SendCgiHost, public ConsoleContext {
    Q_OBJECT
public:
    explicit ConsoleWindow(const Web::Settings& settings = {}, QWidget* parent = nullptr);
    ~ConsoleWindow() override;

    // Opened from the device login: the first page active, then shown.
    void showOnFirstPage();
    // The new administrator password and its verification, emptied after the administrator login.
    void clearAdministratorFields();

    // Runs the show handler of a page: reads the unit's page and refills it.
    void showPage(int index);
    void setModifyFtpTabVisible(bool visible) override;
    void bringPageIntoView(int index) override;
    int workTimeoutMs() const override { return m_settings.workTimeoutMs; }
    Web::PostResult PostMultipart(const QString& url, Web::THttpDataStream& body, const QString& referer,
                                  const std::function<void(qint64 sent, qint64 total)>& progress) override;
    void setConsoleEnabled(bool enabled) override { setEnabled(enabled); }
    int connectFailedFlag() const { return m_ConnectFailedFlag; }

    PageControl* pageControl() const { return m_PageControl; }
    ConsolePage* page(int index) const { return m_pages[static_cast<std::size_t>(index)]; }
    // The six dialogs of the pages, made with the other windows at start-up.
    void setDialogs(const ConsoleDialogs& dialogs);
    StatusTab* statusTab() const { return m_StatusTab; }
    IpConfigTab* ipConfigTab() const { return m_IpConfigTab; }
    MaintenanceTab* maintenanceTab() const { return m_MaintenanceTab; }
    SmbTab* smbTab() const { return m_SmbTab; }
    FtpTab* ftpTab() const { return m_FtpTab; }
    FtpAccountTab* ftpAccountTab() const { return m_FtpAccountTab; }
    DiskTab* diskTab() const { return m_DiskTab; }

    // ConsoleContext: what the pages use to talk to the unit.
    UnitAddress unit() const override;
    QByteArray FetchPage() override;
    Web::SendCgiResult SendCgi(const CgiChange& change) override;
    Web::SendCgiResult SendRepeated(const CgiChange& change) override;
    Web::SendCgiResult SendWithRetry(const CgiChange& change, int sheet) override;
    Web::ChangeOutcome lastChangeOutcome() const override { return m_sender->lastOutcome(); }
    bool confirm(const Base::Refusal& question) override;
    const ConsoleDialogs& dialogs() const override { return m_dialogs; }
    // Input is held until the administrator login is done.
    void administratorChangeSent() override;
    // The window caption: "Management" and the unit's address.
    void updateCaption() override;

    // SendCgiHost and ConsoleContext
    void showMessage(const Base::Refusal& box) override;
    void runRequest(const std::function<void()>& request) override;
    void readPageAgain(int tab) override { showPage(tab); }
    int viewInSight() override;
    QString newPassword() override;
    bool addressFromDhcp() override;
    QString newAddress() override;
    void findUnitAgain() override;
    void unitUnreachable() override { m_ConnectFailedFlag = 1; }

Q_SIGNALS:
    // Show the administrator login; the console stays disabled until it is done.
    void administratorLoginRequested();
    // The unit now takes its address from DHCP: find it again with a new scan.
    void rescanRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void translateCaptions();
    void PageControlChange(int index);
    void pause();

    Web::Settings m_settings;
    Web::HttpClient m_httpClient;
    std::unique_ptr<Web::CgiSender> m_sender;
    int m_ConnectFailedFlag = 0;
    PageControl* m_PageControl = nullptr;
    StatusTab* m_StatusTab = nullptr;
    IpConfigTab* m_IpConfigTab = nullptr;
    MaintenanceTab* m_MaintenanceTab = nullptr;
    SmbTab* m_SmbTab = nullptr;
    FtpTab* m_FtpTab = nullptr;
    FtpAccountTab* m_FtpAccountTab = nullptr;
    DiskTab* m_DiskTab = nullptr;
    std::array<ConsolePage*, kPageCount> m_pages{};
    ConsoleDialogs m_dialogs;
};

} // namespace Console

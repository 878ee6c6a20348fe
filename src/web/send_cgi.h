#pragma once

#include "web/http_client.h"
#include "web/web_host.h"
#include "web/web_settings.h"

#include <QString>

namespace Web {

// The console services SendCgi calls between its requests.
class SendCgiHost : public WebHost {
public:
    // Runs the show handler of a console tab (0..6): reads the page and refills the tab.
    virtual void showTab(int tab) = 0;
    // The tab showing now; SendWithRetry sends with it.
    virtual int activePageIndex() = 0;
    virtual QString administratorPassword() = 0;
    virtual bool automaticAddressChecked() = 0;
    virtual QString ipAddressField() = 0;
    // Hides the console, shows the scan window and starts a new scan.
    virtual void returnToScan() = 0;
    // ConnectFailedFlag := 1; the console frame reads it.
    virtual void setConnectFailedFlag() = 0;
};

enum class SendCgiResult {
    Refused = 0,     // the unit refused a change on ftp.htm: the caller may send again
    Done = 1,        // sent (and the tab read again where the page asks for it)
    Unreachable = 2, // the probe failed and was reported once: do not send again
};

// What the unit made of the last change, judged by its answer.
enum class ChangeOutcome {
    Taken,       // it redirected to one of its own pages, not the failure page
    Refused,     // it redirected to the failure page
    NoAnswer,    // nothing came back: no connection, dropped, reset or silent
    Unconfirmed, // an answer came, but not the unit's redirect
};

inline constexpr int kTabCount = 7;
inline constexpr int kMaxCgiSends = 15;

// Sends CGI requests through the console's HTTP component and applies the
// rules of the page the unit redirects to. See docs/protocol.md, "CGI requests".
class CgiSender final {
public:
    CgiSender(CgiClient& client, DeviceContext& device, SendCgiHost& host, const Settings& settings);

    SendCgiResult SendCgi(const QString& url, const QString& page, int tab);
    // SendCgi while the unit refuses, at most 15 calls in all.
    SendCgiResult SendRepeated(const QString& url, const QString& page, int tab);
    // SendRepeated with the tab showing at each call; when the 15th call is
    // refused too, `sheet` is read again.
    SendCgiResult SendWithRetry(const QString& url, const QString& page, int sheet);

    // What went wrong with the last request itself, for words beyond the box.
    Error lastError() const { return m_lastError; }
    // The unit answered the last request with its failure page.
    bool unitRefused() const { return m_outcome == ChangeOutcome::Refused; }
    ChangeOutcome lastOutcome() const { return m_outcome; }

private:
    void pause();

    CgiClient& m_client;
    DeviceContext& m_device;
    SendCgiHost& m_host;
    Settings m_settings;
    Error m_lastError;
    ChangeOutcome m_outcome = ChangeOutcome::Taken;
};

} // namespace Web

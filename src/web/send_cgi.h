#pragma once

#include "web/http_client.h"
#include "web/web_host.h"
#include "web/web_settings.h"

#include <QString>

namespace Web {

// What SendCgi asks of whoever sends changes (the console, the CLI) between
// and after its requests. A view is the caller's own number for what shows
// the unit's settings; SendCgi only hands it back.
class SendCgiHost : public WebHost {
public:
    // The unit's page again, into `view`; a view the host does not know reads nothing.
    virtual void readPageAgain(int view) = 0;
    // The view in sight now; SendWithRetry sends with it.
    virtual int viewInSight() = 0;
    // The administrator password a change on sys_auth.htm sets.
    virtual QString newPassword() = 0;
    // An address change asks the unit to take its address from DHCP.
    virtual bool addressFromDhcp() = 0;
    // The static address an address change gives the unit.
    virtual QString newAddress() = 0;
    // The unit moved to an address from DHCP: look for it again.
    virtual void findUnitAgain() = 0;
    // The probe after a request found no unit; said once already.
    virtual void unitUnreachable() = 0;
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

inline constexpr int kMaxCgiSends = 15;

// Sends CGI requests through the console's HTTP component and applies the
// rules of the page the unit redirects to. See docs/protocol.md, "CGI requests".
class CgiSender final {
public:
    CgiSender(CgiClient& client, DeviceContext& device, SendCgiHost& host, const Settings& settings);

    // One change; `view` is read again after it where the page asks for that.
    SendCgiResult SendCgi(const QString& url, const QString& page, int view);
    // SendCgi while the unit refuses, at most 15 calls in all.
    SendCgiResult SendRepeated(const QString& url, const QString& page, int view);
    // SendRepeated with the view in sight at each call; when the 15th call is
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

#include "web/send_cgi.h"

#include <QThread>

#include <optional>

namespace Web {

namespace {

Base::Refusal box(const char* text, const char* caption, Base::Icon icon) {
    return {QString::fromLatin1(text), QString::fromLatin1(caption), icon};
}

// The unit refuses by redirecting to the failure page. Following that redirect
// leaves the failure page's own header as the last one, so the Locations
// followed on the way count as well.
bool namesFailurePage(const CgiClient& client) {
    const QLatin1String failure("fail.htm");
    if (client.headerText().contains(QByteArrayView(failure.data(), failure.size())))
        return true;
    for (const QString& location : client.followedLocations()) {
        if (location.contains(failure))
            return true;
    }
    return false;
}

bool isRedirect(int status) {
    return status == 300 || status == 301 || status == 302;
}

ChangeOutcome judgeAnswer(const CgiClient& client, const Error& error) {
    if (namesFailurePage(client))
        return ChangeOutcome::Refused;
    if (!client.answered())
        return ChangeOutcome::NoAnswer;
    // Once the unit's own redirect was followed, the change is taken, whatever
    // its page does after; a loop of redirects is no answer, however many came.
    if (!client.followedLocations().isEmpty())
        return error.kind == ErrorKind::TooManyRedirects ? ChangeOutcome::Unconfirmed : ChangeOutcome::Taken;
    // A redirect not followed counts only when whole and staying on the unit.
    if (!error && isRedirect(client.lastStatus()) && client.offUnitLocation().isEmpty())
        return ChangeOutcome::Taken;
    return ChangeOutcome::Unconfirmed;
}

// The words for a change the unit did not take or refuse.
std::optional<Base::Refusal> unansweredBox(ChangeOutcome outcome) {
    if (outcome == ChangeOutcome::NoAnswer)
        return box("The unit did not answer the change", "Action", Base::Icon::Error);
    if (outcome == ChangeOutcome::Unconfirmed)
        return box("The unit's answer did not confirm the change", "Action", Base::Icon::Information);
    return std::nullopt;
}

} // namespace

CgiSender::CgiSender(CgiClient& client, DeviceContext& device, SendCgiHost& host, const Settings& settings)
    : m_client(client), m_device(device), m_host(host), m_settings(settings) {}

void CgiSender::pause() {
    m_host.runRequest([this] { QThread::msleep(static_cast<unsigned long>(std::max(m_settings.pauseMs, 0))); });
}

SendCgiResult CgiSender::SendCgi(const QString& url, const QString& page, int view) {
    m_lastError = {};
    m_outcome = ChangeOutcome::Taken;
    m_client.setCredentials(m_device.userName, m_device.password);
    // The Referer carries the address alone, as it does for a unit on port 80.
    m_client.setReferer(QStringLiteral("http://") + m_device.ip + QLatin1Char('/') + page);

    if (m_device.ip.isEmpty()) {
        m_host.showMessage(box("IP Address Error!", "Action", Base::Icon::Error));
        return SendCgiResult::Done;
    }

    bool failed = false;
    bool reachable = false;
    // A format answers when the disk is done, which takes minutes, not seconds.
    if (url.contains(QLatin1String("type=IDE_init")))
        m_client.allowWorkOnce(m_settings.workTimeoutMs);
    m_host.runRequest([&] {
        m_lastError = m_client.Get(url);
        failed = m_lastError && m_client.lastStatus() != 302;
        m_outcome = judgeAnswer(m_client, m_lastError);
        m_client.Connect(m_device.ip, m_settings.devicePort, m_settings.probeTimeoutMs);
        reachable = m_client.connected();
        m_client.Disconnect();
    });

    const QLatin1String ifCgi("if_cgi.htm");
    if (!reachable && page != ifCgi) {
        m_host.showMessage(box("Connection Fail", "Connect", Base::Icon::Error));
        m_host.unitUnreachable();
        return SendCgiResult::Unreachable;
    }

    if (page == QLatin1String("sys_auth.htm")) {
        // A refused or unanswered password leaves the unit on the old one, as
        // far as we know, and so must we.
        if (m_outcome == ChangeOutcome::Refused)
            m_host.showMessage(
                box("The unit did not accept the new password", "Administrator", Base::Icon::Information));
        else if (const auto unanswered = unansweredBox(m_outcome))
            m_host.showMessage(*unanswered);
        else
            m_device.password = m_host.newPassword();
    } else if (page == ifCgi) {
        // A unit that refused the settings keeps its address: moving on would
        // leave the console talking to an address nobody answers. It need not
        // answer otherwise: it may leave its old address at once.
        if (m_outcome == ChangeOutcome::Refused) {
            m_host.showMessage(
                box("The unit did not accept the IP settings", "IP Infomation", Base::Icon::Information));
            pause();
            m_host.readPageAgain(view);
            return SendCgiResult::Done;
        }
        if (m_host.addressFromDhcp()) {
            m_host.showMessage(box("Automatic IP, re-scan it", "IP Infomation", Base::Icon::Question));
            m_host.findUnitAgain();
            return SendCgiResult::Done;
        }
        m_device.ip = m_host.newAddress();
        m_host.showMessage(box("IP has been change, reconnect it success", "IP Infomation", Base::Icon::Question));
        return SendCgiResult::Done;
    } else if (page == QLatin1String("ftp.htm")) {
        // Sent again only when the unit turned it down: silence is no refusal.
        if (!url.contains(QLatin1String("ftps_user_enabled")) && m_outcome != ChangeOutcome::NoAnswer &&
            (failed || unitRefused())) {
            pause();
            return SendCgiResult::Refused;
        }
        if (const auto unanswered = unansweredBox(m_outcome))
            m_host.showMessage(*unanswered);
    } else if (page == QLatin1String("maintain.htm")) {
        return SendCgiResult::Done;
    } else if (const auto unanswered = unansweredBox(m_outcome)) {
        m_host.showMessage(*unanswered);
    }

    pause();
    m_host.readPageAgain(view);
    return SendCgiResult::Done;
}

SendCgiResult CgiSender::SendRepeated(const QString& url, const QString& page, int view) {
    SendCgiResult result = SendCgiResult::Refused;
    for (int i = 0; i < kMaxCgiSends && result == SendCgiResult::Refused; ++i)
        result = SendCgi(url, page, view);
    return result;
}

SendCgiResult CgiSender::SendWithRetry(const QString& url, const QString& page, int sheet) {
    SendCgiResult result = SendCgiResult::Refused;
    for (int i = 0; i < kMaxCgiSends && result == SendCgiResult::Refused; ++i)
        result = SendCgi(url, page, m_host.viewInSight());
    if (result == SendCgiResult::Refused)
        m_host.readPageAgain(sheet);
    return result;
}

} // namespace Web

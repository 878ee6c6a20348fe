#include "web/page_fetch.h"

#include <QThread>

#include <algorithm>

namespace Web {

QString utilityPagePath() {
    return QStringLiteral("/utility_use.htm");
}

DeviceResponse ReadUtilityPage(const DeviceContext& device, const Settings& settings, const QDeadlineTimer& deadline,
                               int tries) {
    DeviceResponse response;
    for (int i = 0; i < tries; ++i) {
        if (i > 0 && deadline.hasExpired())
            break;
        const qint64 left = deadline.isForever() ? settings.pauseMs : deadline.remainingTime();
        QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(left, 0, settings.pauseMs)));
        response = DeviceGet(device.ip, device.userName, device.password, utilityPagePath(), settings, deadline);
        if (!response.page.isEmpty())
            break;
    }
    return response;
}

DeviceResponse FetchPage(const DeviceContext& device, const Settings& settings, WebHost& host) {
    DeviceResponse response;
    host.runRequest([&] { response = ReadUtilityPage(device, settings, QDeadlineTimer(settings.retryBudgetMs)); });
    if (response.page.isEmpty() || response.status != 200)
        host.showMessage({QStringLiteral("Connection Fail"), QStringLiteral("Connect"), Base::Icon::Error});
    return response;
}

} // namespace Web

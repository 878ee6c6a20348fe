#include "console/page_control.h"

#include <algorithm>

#include "ui/form_base.h"

#include <QPainter>

namespace Console {

ConsoleTabBar::ConsoleTabBar(QWidget* parent) : QTabBar(parent) {
    setObjectName(QStringLiteral("PageControl1Tabs"));
    setDrawBase(false);
    setExpanding(false);
    setUsesScrollButtons(false);
}

std::array<bool, kPageCount> ConsoleTabBar::tabVisibility() const {
    std::array<bool, kPageCount> visible{};
    for (int i = 0; i < kPageCount; ++i)
        visible[static_cast<std::size_t>(i)] = i < count() && isTabVisible(i);
    return visible;
}

QString ConsoleTabBar::drawnCaption(int visibleTabIndex) const {
    const int page = captionPageForTab(visibleTabIndex, tabVisibility());
    return page >= 0 && page < count() ? tabText(page) : QString();
}

QSize ConsoleTabBar::tabSizeHint(int index) const {
    const QFontMetrics metrics(font());
    // With the Modify FTP tab shown all seven must still fit: the padding gives way before a caption is cut.
    int textWidth = 0;
    int visible = 0;
    for (int i = 0; i < count(); ++i) {
        if (isTabVisible(i)) {
            textWidth += metrics.horizontalAdvance(tabText(i));
            ++visible;
        }
    }
    const int room = parentWidget() ? parentWidget()->width() - 4 : 0;
    const int padding = visible > 0 && room > 0 ? std::clamp((room - textWidth) / visible, 4, 18) : 18;
    return {metrics.horizontalAdvance(tabText(index)) + padding, metrics.height() + 10};
}

void ConsoleTabBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    int visibleIndex = 0;
    for (int i = 0; i < count(); ++i) {
        if (!isTabVisible(i))
            continue;
        const QRect r = tabRect(i);
        const bool selected = i == currentIndex();
        painter.fillRect(r, selected ? Ui::kSkyBlue : Ui::kNavy);
        painter.setPen(selected ? Ui::kNavy : Ui::kSkyBlue);
        const QString text = drawnCaption(visibleIndex++);
        const int x = r.left() + (r.width() - metrics.horizontalAdvance(text)) / 2;
        const int y = r.top() + (r.height() - metrics.height()) / 2;
        painter.drawText(QPoint(x, y + metrics.ascent()), text);
    }
}

PageControl::PageControl(QWidget* parent) : QTabWidget(parent), m_tabBar(new ConsoleTabBar(this)) {
    setObjectName(QStringLiteral("PageControl1"));
    setTabBar(m_tabBar);
    setDocumentMode(false);
}

} // namespace Console

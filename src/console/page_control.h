#pragma once

#include "console/page_tabs.h"

#include <QTabBar>
#include <QTabWidget>

namespace Console {

// Tabs drawn by the console itself: the selected one sky-blue with navy text,
// the others navy with sky-blue text, each caption centred.
class ConsoleTabBar final : public QTabBar {
    Q_OBJECT
public:
    explicit ConsoleTabBar(QWidget* parent = nullptr);

    // The caption drawn on a tab, counting visible tabs only.
    QString drawnCaption(int visibleTabIndex) const;
    std::array<bool, kPageCount> tabVisibility() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize tabSizeHint(int index) const override;
};

// PageControl1: the console's seven pages under owner-drawn tabs.
class PageControl final : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent = nullptr);

    ConsoleTabBar* consoleTabBar() const { return m_tabBar; }

private:
    ConsoleTabBar* m_tabBar;
};

} // namespace Console

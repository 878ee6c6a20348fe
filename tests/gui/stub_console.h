#pragma once

#include "console/console_context.h"

namespace ConsoleTest {

// A console for pages on their own: nothing read, every change taken, every question
// declined, nothing said. A test's console overrides only what it watches.
class StubConsole : public Console::ConsoleContext {
public:
    Console::UnitAddress unit() const override { return {}; }
    QByteArray FetchPage() override { return {}; }
    Web::SendCgiResult SendCgi(const Console::CgiChange&) override { return Web::SendCgiResult::Done; }
    Web::SendCgiResult SendRepeated(const Console::CgiChange&) override { return Web::SendCgiResult::Done; }
    Web::SendCgiResult SendWithRetry(const Console::CgiChange&, int) override { return Web::SendCgiResult::Done; }
    Web::ChangeOutcome lastChangeOutcome() const override { return Web::ChangeOutcome::Taken; }
    void showMessage(const Base::Refusal&) override {}
    bool confirm(const Base::Refusal&) override { return false; }
    const Console::ConsoleDialogs& dialogs() const override { return m_dialogs; }
    void administratorChangeSent() override {}
    void updateCaption() override {}
    void setModifyFtpTabVisible(bool) override {}
    void bringPageIntoView(int) override {}
    Web::PostResult PostMultipart(const QString&, Web::THttpDataStream&, const QString&,
                                  const std::function<void(qint64, qint64)>&) override {
        return {};
    }
    void setConsoleEnabled(bool) override {}
    void findUnitAgain() override {}

private:
    Console::ConsoleDialogs m_dialogs;
};

} // namespace ConsoleTest

// Pages against a console of their own: a page reads, sends and speaks only
// through its context, so a test console sees every page read and every box.

#include "console/ip_config_tab.h"
#include "console/status_tab.h"
#include "stub_console.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

class ScriptedConsole final : public ConsoleTest::StubConsole {
public:
    QList<QByteArray> pages; // one per FetchPage, the last repeats
    int reads = 0;
    QStringList boxes;
    QStringList sent;

    Console::UnitAddress unit() const override { return {s("127.0.0.9"), 8080}; }
    QByteArray FetchPage() override { return pages.value(std::min<qsizetype>(reads++, pages.size() - 1)); }
    Web::SendCgiResult SendCgi(const Console::CgiChange& change) override { return send(change); }
    Web::SendCgiResult SendRepeated(const Console::CgiChange& change) override { return send(change); }
    Web::SendCgiResult SendWithRetry(const Console::CgiChange& change, int) override { return send(change); }
    void showMessage(const Base::Refusal& box) override { boxes << Base::refusalText(box); }
    bool confirm(const Base::Refusal&) override { return true; }
    void administratorChangeSent() override { sent << s("administrator login"); }

private:
    Web::SendCgiResult send(const Console::CgiChange& change) {
        sent << change.url;
        return Web::SendCgiResult::Done;
    }
};

QByteArray page(const QByteArray& variables) {
    return "<HTML>\r\n" + variables + "</HTML>\r\n";
}

TEST(PageContext, StatusPageReadsAndSpeaksThroughItsConsole) {
    ScriptedConsole console;
    console.pages = {page("host_name=\"NAS9\";\r\nsntp_zone=\"x\";\r\nip_addr=\"127.0.0.9\";\r\n")};
    Console::StatusTab status(console);
    status.showPage();
    EXPECT_EQ(console.reads, 1);
    EXPECT_EQ(status.findChild<QLineEdit*>(s("HostEdit"))->text(), s("NAS9"));
    EXPECT_EQ(console.boxes, QStringList{s("'x' is not a valid integer value.")});

    // A change goes out through the console, addressed to the console's unit.
    status.findChild<QLineEdit*>(s("HostEdit"))->setText(s("Other"));
    status.findChild<QLineEdit*>(s("GroupEdit"))->setText(s("WG"));
    status.identBtnClick();
    ASSERT_EQ(console.sent.size(), 1);
    EXPECT_TRUE(console.sent[0].startsWith(s("http://127.0.0.9:8080/nas.cgi?redirect=id.htm")))
        << console.sent[0].toStdString();
}

TEST(PageContext, IpConfigPageReadsAgainWhileTheAddressIsMissing) {
    ScriptedConsole console;
    console.pages = {page("ip_type=\"STATIC\";\r\n"), page("ip_type=\"STATIC\";\r\nip=\"127.0.0.9\";\r\n")};
    Console::IpConfigTab ipConfig(console);
    ipConfig.showPage();
    EXPECT_EQ(console.reads, 2);
    EXPECT_EQ(ipConfig.ipAddressText(), s("127.0.0.9"));
}

} // namespace

namespace {

TEST(PageContext, IdentificationShowsTheTrimmedNamesBeforeItsCharacterCheck) {
    ScriptedConsole console;
    console.pages = {page("host_name=\"NAS9\";\r\n")};
    Console::StatusTab status(console);
    auto* host = status.findChild<QLineEdit*>(s("HostEdit"));
    auto* group = status.findChild<QLineEdit*>(s("GroupEdit"));
    host->setText(s("  my.nas "));
    group->setText(s(" WG  "));
    status.identBtnClick();
    EXPECT_EQ(console.boxes, QStringList{s("Invalid value .Host Name my.nas")});
    EXPECT_EQ(host->text(), s("my.nas"));
    EXPECT_EQ(group->text(), s("WG"));
    EXPECT_TRUE(console.sent.isEmpty());

    // A digit first as typed stops before anything is trimmed.
    host->setText(s("1nas "));
    status.identBtnClick();
    EXPECT_EQ(host->text(), s("1nas "));
}

} // namespace

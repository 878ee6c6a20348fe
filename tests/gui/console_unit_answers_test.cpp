// The console against a unit that refuses, drops or garbles its answers to a
// change: the user is told, and a password the unit did not take changes nothing.

#include "console_fixture.h"

#include "support/scripted_server.h"

namespace {

using namespace ConsoleTest;
using TestSupport::Reply;
using TestSupport::requestPath;
using TestSupport::withLength;

const QByteArray kPage = "<HTML>\r\nhost_name=\"NAS9\";\r\ngroup_name=\"WG\";\r\nsntp_zone=\"0\";\r\n"
                         "ip_addr=\"127.0.0.1\";\r\ndefault_lang=\"0\";\r\nlang_list=\"English\";\r\n</HTML>\r\n";

// The utility page as a unit serves it; every CGI request gets `cgiAnswer`.
TestSupport::ScriptedServer::Answerer unitAnswering(Reply cgiAnswer) {
    return [cgiAnswer](const QByteArray& request) {
        const QByteArray path = requestPath(request);
        if (path.startsWith("/utility_use.htm"))
            return Reply{withLength("HTTP/1.0 200 OK", kPage)};
        if (path.contains(".cgi"))
            return cgiAnswer;
        return Reply{withLength("HTTP/1.0 200 OK", "<HTML>" + path)};
    };
}

struct AnswerCase {
    const char* name;
    Reply cgiAnswer;
    const char* passwordBox; // what the user is told after setting the password
    const char* changeBox;   // and after another change; nullptr: nothing
};

void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.name;
}

class ConsoleChangeAnswers : public ConsoleFixture, public ::testing::WithParamInterface<AnswerCase> {
protected:
    void openOn(TestSupport::ScriptedServer& unit) {
        startWindows(unit.port());
        Ui::CurrentDevice() = {s("127.0.0.1"), s("admin"), s("old")};
        console().showOnFirstPage();
        ASSERT_TRUE(TestSupport::waitUntil([this] { return edit("HostEdit")->text() == s("NAS9"); }));
        recorder->boxes.clear();
    }
};

TEST_P(ConsoleChangeAnswers, PasswordNotTakenLeavesTheConsoleOnTheOldOne) {
    const auto& c = GetParam();
    TestSupport::ScriptedServer unit(unitAnswering(c.cgiAnswer));
    openOn(unit);
    type("PassEdit", s("n3w"));
    type("VerifyEdit", s("n3w"));
    click("adminBtn");
    EXPECT_EQ(boxTexts(), QStringList{s(c.passwordBox)});
    EXPECT_TRUE(console().isEnabled());
    EXPECT_FALSE(windows->adminLogin().isVisible()) << "no administrator login for a password the unit did not take";
    EXPECT_EQ(Ui::CurrentDevice().password, s("old"));

    // The console goes on working with the old password.
    recorder->boxes.clear();
    click("NetinfoBtn");
    QByteArray sent;
    for (const QByteArray& request : unit.requests()) {
        if (request.contains("dhcps.cgi"))
            sent = request;
    }
    EXPECT_TRUE(sent.contains("Authorization: Basic YWRtaW46b2xk")) << "admin:old: " << sent.toStdString();
}

TEST_P(ConsoleChangeAnswers, OtherChangesSayWhatCameOfThem) {
    const auto& c = GetParam();
    TestSupport::ScriptedServer unit(unitAnswering(c.cgiAnswer));
    openOn(unit);
    type("HostEdit", s("Other"));
    click("identBtn");
    EXPECT_EQ(boxTexts(), c.changeBox ? QStringList{s(c.changeBox)} : QStringList{});
    EXPECT_TRUE(console().isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ConsoleChangeAnswers,
    ::testing::Values(
        AnswerCase{"refused", Reply{"HTTP/1.0 302 Found\r\nLocation: fail.htm\r\n\r\n"},
                   "The unit did not accept the new password", nullptr},
        AnswerCase{"dropped", Reply{""}, "The unit did not answer the change", "The unit did not answer the change"},
        AnswerCase{"reset", Reply{.bytes = "", .reset = true}, "The unit did not answer the change",
                   "The unit did not answer the change"},
        AnswerCase{"garbage", Reply{"\x01\x02garbage\r\n"}, "The unit's answer did not confirm the change",
                   "The unit's answer did not confirm the change"},
        AnswerCase{"a page, no redirect", Reply{withLength("HTTP/1.0 200 OK", "<HTML>ok")},
                   "The unit's answer did not confirm the change", "The unit's answer did not confirm the change"}),
    [](const ::testing::TestParamInfo<AnswerCase>& p) { return "case" + std::to_string(p.index); });

} // namespace

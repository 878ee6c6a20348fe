// zuredor-cli's conventions as a new user meets them: addresses, mistyped
// commands, JSON on failure, the window's limits before anything is sent,
// new passwords kept out of the arguments, and a scan that finds nothing.

#include "support/cli_run.h"
#include "support/scripted_server.h"
#include "support/test_ports.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using TestSupport::CliRun;
using TestSupport::Reply;
using TestSupport::ScriptedServer;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const QByteArray kPage = "<HTML>\r\nhost_name=\"NAS9\";\r\ngroup_name=\"WG\";\r\nsntp_zone=\"0\";\r\n</HTML>\r\n";

// A unit that serves its page and takes every change; it records what it was asked.
ScriptedServer::Answerer takingUnit() {
    return [](const QByteArray& request) {
        if (TestSupport::requestPath(request).contains(".cgi"))
            return Reply{"HTTP/1.0 302 Found\r\nLocation: ok.htm\r\nContent-Length: 0\r\n\r\n"};
        return Reply{TestSupport::withLength("HTTP/1.0 200 OK", kPage)};
    };
}

QStringList withUnit(const ScriptedServer& unit, QStringList arguments) {
    return arguments + QStringList{s("--device-port"), QString::number(unit.port()), s("-p"), s("admin")};
}

QByteArray cgiRequest(const ScriptedServer& unit) {
    for (const QByteArray& request : unit.requests()) {
        if (request.contains(".cgi"))
            return request;
    }
    return {};
}

TEST(CliAddresses, OnlyDottedIpv4AddressesAreUnits) {
    for (const QStringList& arguments : QList<QStringList>{{s("status"), s("nas.local")},
                                                           {s("login"), s("127.0.0")},
                                                           {s("get"), s("127.0.0.256"), s("host_name")},
                                                           {s("set-identity"), s("127.0.0.1:80"), s("A"), s("B")},
                                                           {s("mount"), s("::1"), s("0"), s("G")}}) {
        const CliRun run = TestSupport::runCli(arguments + QStringList{s("-p"), s("x")});
        EXPECT_EQ(run.exitCode, 64) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(CliCommands, AMistypedCommandIsNamedWithTheNearestAndVersionsAreThere) {
    const struct {
        QStringList arguments;
        QByteArray says;
    } cases[] = {
        {{s("sttaus"), s("127.0.0.1")}, "'sttaus' is not a command; did you mean 'status'?"},
        {{s("--device-port"), s("8080"), s("-p"), s("x"), s("set-identiy")}, "did you mean 'set-identity'?"},
        {{s("frobnicate")}, "'frobnicate' is not a command (zuredor-cli --help lists the commands)"},
        {{s("status"), s("127.0.0.1"), s("--frob")}, "--frob"},
        {{s("status"), s("127.0.0.1"), s("extra")}, "extra"},
        {{s("set-identity"), s("127.0.0.1"), s("NAS")}, "GROUP is required"},
        {{s("status"), s("nas.local")}, "is not a dotted IPv4 address"},
        {{s("set-ip"), s("127.0.0.1"), s("dhcp"), s("10.0.0.1")}, "set-ip IP dhcp takes nothing more"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CliRun run = TestSupport::runCli(c.arguments);
        EXPECT_EQ(run.exitCode, 64);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        // With --json, wherever it stands, standard output holds the failure object alone.
        for (const QStringList& json :
             {QStringList{s("--json")} + c.arguments, c.arguments + QStringList{s("--json")}}) {
            const CliRun object = TestSupport::runCli(json);
            EXPECT_EQ(object.exitCode, 64);
            const QJsonObject failure = QJsonDocument::fromJson(object.out).object();
            EXPECT_EQ(failure.value(s("result")).toString(), s("usage")) << object.out.toStdString();
            EXPECT_TRUE(failure.value(s("error")).toString().contains(s(c.says.constData())))
                << object.out.toStdString();
        }
    }
    const CliRun version = TestSupport::runCli({s("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("zuredor-cli 1.1")) << version.out.toStdString();
}

TEST(CliJson, AFailureIsOneObjectWithItsReason) {
    ScriptedServer refusing(
        [](const QByteArray&) { return Reply{TestSupport::withLength("HTTP/1.0 401 Unauthorized", "<HTML>no")}; });
    const struct {
        QStringList arguments;
        quint16 port;
        const char* result;
        const char* error;
    } cases[] = {
        {{s("status"), s("127.0.0.1")}, TestSupport::freeTcpPort(), "unreachable", "Connection Fail"},
        {{s("get"), s("127.0.0.1"), s("host_name")},
         refusing.port(),
         "credentials",
         "Login fail, Please check your username and password"},
        {{s("set-identity"), s("127.0.0.1"), s("1nas"), s("WG")},
         refusing.port(),
         "refused",
         "First character can not be number (0~9)."},
    };
    for (const auto& c : cases) {
        const CliRun run = TestSupport::runCli(
            c.arguments + QStringList{s("--json"), s("-p"), s("x"), s("--device-port"), QString::number(c.port)});
        const QJsonObject object = QJsonDocument::fromJson(run.out).object();
        EXPECT_EQ(object.value(s("result")).toString(), s(c.result)) << run.out.toStdString();
        EXPECT_EQ(object.value(s("error")).toString(), s(c.error)) << run.out.toStdString();
        EXPECT_EQ(run.err, QByteArray(c.error) + '\n');
    }
}

TEST(CliLimits, WhatTheWindowsFieldsCannotHoldIsRefusedBeforeAnythingIsSent) {
    const struct {
        QStringList arguments;
        QByteArray says;
    } cases[] = {
        {{s("set-identity"), s("127.0.0.1"), s("ABCDEFGHIJKLMNOP"), s("WG")}, "Value is too long: Host Name (15)\n"},
        {{s("set-identity"), s("127.0.0.1"), s("NAS"), s("ABCDEFGHIJKLMNOP")}, "Value is too long: Group Name (15)\n"},
        {{s("set-admin-password"), s("127.0.0.1"), s("0123456789abc"), s("0123456789abc")},
         "Value is too long: Password (12)\n"},
        {{s("set-time"), s("127.0.0.1"), s("--date"), s("20261/1/1")}, "Value is too long: Date and Time (4)\n"},
        {{s("set-time"), s("127.0.0.1"), s("--time"), s("1:2:345")}, "Value is too long: Date and Time (2)\n"},
        {{s("set-time"), s("127.0.0.1"), s("--manual-server"), s(QByteArray(65, 'n').constData())},
         "Value is too long: Time Server (64)\n"},
        {{s("set-ip"), s("127.0.0.1"), s("static"), s("127.000.000.0002"), s("255.0.0.0"), s("127.0.0.1"),
          s("127.0.0.1"), s("127.0.0.1")},
         "Value is too long: IP Address (15)\n"},
    };
    for (const auto& c : cases) {
        ScriptedServer unit(takingUnit());
        const CliRun run = TestSupport::runCli(withUnit(unit, c.arguments));
        EXPECT_EQ(run.exitCode, 1) << c.arguments.join(u' ').toStdString();
        EXPECT_EQ(run.out, c.says);
        EXPECT_TRUE(unit.requests().isEmpty()) << "sent after all: " << unit.requests().value(0).toStdString();
    }
    // At the limit the change goes out.
    ScriptedServer unit(takingUnit());
    EXPECT_EQ(TestSupport::runCli(withUnit(unit, {s("set-identity"), s("127.0.0.1"), s("ABCDEFGHIJKLMNO"), s("WG")}))
                  .exitCode,
              0);
    EXPECT_TRUE(cgiRequest(unit).contains("hostname=ABCDEFGHIJKLMNO&"));
}

TEST(CliNewPassword, ComesFromStandardInputWhenLeftOut) {
    const struct {
        QByteArray input;
        int exitCode;
        QByteArray out;
        QByteArray sent;
    } cases[] = {
        {"n3w pw\nn3w pw\n", 0, "OK\n", "TF_password=n3w+pw&TF_passwordl=n3w+pw"},
        {"n3w\r\nn3w\r\n", 0, "OK\n", "TF_password=n3w&TF_passwordl=n3w"},
        {"n3w\nother\n", 1, "New password entries do not match!\n", ""},
        {"", 1, "Password can not be null!\n", ""},
    };
    for (const auto& c : cases) {
        ScriptedServer unit(takingUnit());
        const CliRun run =
            TestSupport::runCliWithInput(withUnit(unit, {s("set-admin-password"), s("127.0.0.1")}), c.input);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.input.toStdString();
        EXPECT_EQ(run.out, c.out);
        if (c.sent.isEmpty())
            EXPECT_TRUE(cgiRequest(unit).isEmpty());
        else
            EXPECT_TRUE(cgiRequest(unit).contains(c.sent)) << cgiRequest(unit).toStdString();
    }
    const CliRun half = TestSupport::runCli({s("set-admin-password"), s("127.0.0.1"), s("n3w"), s("-p"), s("x")});
    EXPECT_EQ(half.exitCode, 64);
}

TEST(CliScanNothing, SaysSoOnStandardError) {
    const quint16 port = TestSupport::freeUdpPort();
    const CliRun run = TestSupport::runCli({s("scan"), s("--wait"), s("0.2"), s("--broadcast"), s("127.255.255.255"),
                                            s("--discovery-port"), QString::number(port)});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("IP Address  HD Name  Group Name  Firmware Version\n"));
    EXPECT_EQ(run.err, QByteArray("zuredor-cli: no unit answered within 0.2 s; zuredor-cli doctor tells why\n"))
        << "the address was chosen: no hint about --broadcast";
}

} // namespace

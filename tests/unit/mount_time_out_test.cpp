// A mount bounded in time: a connection that comes after the bound is reported
// as timed out and undone, so the refusal the user saw stays true.

#include "mount/mount_share.h"
#include "platform/fake_network_drives.h"
#include "support/test_ports.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Platform::FakeNetworkDrives;

TEST(MountTimeOut, LateConnectionsAreRefusedAndALateSuccessIsUndone) {
    const struct {
        const char* name;
        std::chrono::milliseconds delay;
        unsigned long answer;
        unsigned long code;
        QString shown;
        bool undone;
    } cases[] = {
        {"made in time", 0ms, 0, 0, QString(), false},
        {"refused in time", 0ms, 86, 86, QStringLiteral("The specified network password is not correct."), false},
        {"made too late", 400ms, 0, FakeNetworkDrives::kTimedOut, QStringLiteral("Connection timed out"), true},
        {"refused too late", 400ms, 86, FakeNetworkDrives::kTimedOut, QStringLiteral("Connection timed out"), false},
    };
    for (const auto& c : cases) {
        FakeNetworkDrives drives;
        drives.delay = c.delay;
        drives.answerCode = c.answer;
        drives.answerText = "The specified network password is not correct.";
        const Mount::MountResult result = Mount::MountShare(
            drives, {u'F', QStringLiteral("127.0.0.2"), QStringLiteral("Music"), QString()}, false, 100ms);
        EXPECT_EQ(result.code, c.code) << c.name;
        EXPECT_EQ(result.errorText, c.shown) << c.name;
        // The connection ends on its own, after the caller has been answered.
        ASSERT_TRUE(TestSupport::waitUntil([&] { return drives.connectionsEnded() == 1; })) << c.name;
        if (c.undone) {
            EXPECT_TRUE(TestSupport::waitUntil([&] { return !drives.cancelled().empty(); })) << c.name;
            EXPECT_EQ(drives.cancelled(), std::vector<std::string>{"F:"}) << c.name;
        } else {
            EXPECT_TRUE(drives.cancelled().empty()) << c.name;
        }
    }
}

} // namespace

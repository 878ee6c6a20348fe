// Mounting on Linux outside a desktop session: the user is told what is missing
// and how to get it, and nothing is asked of GVfs.

#include "platform/network_drives.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(MountSessionBus, WithoutOneTheRefusalSaysHowToRunInsideASession) {
    QTemporaryDir home;
    QTemporaryDir runtime; // a runtime folder without the per-user bus
    ASSERT_TRUE(home.isValid() && runtime.isValid());
    const QByteArray saved[] = {qgetenv("HOME"), qgetenv("DBUS_SESSION_BUS_ADDRESS"), qgetenv("XDG_RUNTIME_DIR")};
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const struct {
        const char* name;
        bool set;
        QByteArray address;
    } cases[] = {{"unset", false, {}}, {"empty", true, {}}};
    const auto drives = Platform::systemNetworkDrives();
    for (const auto& c : cases) {
        if (c.set)
            qputenv("DBUS_SESSION_BUS_ADDRESS", c.address);
        else
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        const unsigned long code =
            drives->MountShare({"F:", R"(\\127.0.0.2\PUBLIC)", "", false}, std::chrono::seconds(5));
        const std::string text = drives->SystemErrorText();
        EXPECT_NE(code, 0u) << c.name;
        EXPECT_NE(text.find("No desktop session bus"), std::string::npos) << c.name << ": " << text;
        EXPECT_NE(text.find("dbus-run-session -- "), std::string::npos) << c.name << ": " << text;
        EXPECT_FALSE(QFileInfo::exists(home.path() + QStringLiteral("/ZurEdor/F"))) << c.name;
    }
    for (const auto& [name, value] : {std::pair{"HOME", saved[0]}, std::pair{"DBUS_SESSION_BUS_ADDRESS", saved[1]},
                                      std::pair{"XDG_RUNTIME_DIR", saved[2]}}) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}

} // namespace

// Activate from end to end against a real NetworkManager: the main window runs the IP
// change job, the job runs the program's netsh, and NetworkManager's own "Wired
// connection 1" ends up with the set, as nmcli, the kernel and resolv.conf show.
//
// This changes network configuration for real, so it runs only inside
// tests/tools/nm-sandbox.sh (its own namespaces, NetworkManager and DHCP server).
// Anywhere else every case is skipped before it touches anything.
#include "app/frmmain.h"
#include "net/process.h"
#include "tests/app/frmmainprobe.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/readback.h"
#include "tests/fixtures/tempdatabase.h"

#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <system_error>

namespace {

const QString Connection = QStringLiteral("Wired connection 1");
constexpr int JobTimeoutMs = 60000;

// Why this process must not change network configuration, or empty inside the sandbox:
// the sandbox writes its network namespace into its private /run.
QString notInSandbox() {
    QFile marker(QStringLiteral("/run/orv-nm-sandbox"));
    if (!marker.open(QIODevice::ReadOnly))
        return QStringLiteral(
            "not started by tests/tools/nm-sandbox.sh; this test changes network configuration "
            "and runs only there (ctest -R netsh_networkmanager, as root)");
    std::error_code error;
    const auto own = std::filesystem::read_symlink("/proc/self/ns/net", error).string();
    if (error || QString::fromUtf8(marker.readAll()).trimmed() != QString::fromStdString(own))
        return QStringLiteral("the network namespace is not the sandbox's; refusing to change it");
    return {};
}

// The profile's IPv4 settings: method|addresses|gateway|route metric|DNS|ignore DHCP's DNS.
QString profile() {
    return runChecked(
               QStringLiteral("nmcli"),
               {"-g",
                "ipv4.method,ipv4.addresses,ipv4.gateway,ipv4.route-metric,ipv4.dns,ipv4.ignore-auto-dns",
                "connection", "show", "id", Connection})
        .trimmed()
        .replace('\n', '|');
}

QStringList addresses() {
    return interfaceAddresses(QStringLiteral("orv0"));
}

// The main window over a database of its own, with the platform's administrator check,
// adapter source and process runner, which finds the build's netsh in bin/ first.
class NetworkManagerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString reason = notInSandbox();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        ASSERT_TRUE(QFile::exists(QStringLiteral(ORVANTIS_BIN_DIR "/netsh"))) << "netsh is not built";
    }

    // Starts the window over one set for "Wired connection 1", activates it with Ctrl+A and
    // waits until both command lines have run and the progress indicator is hidden.
    bool activate(const QVariant& ip, const QVariant& mask, const QVariant& gateway, const QVariant& dns,
                  bool dhcp) {
        db.addIPSet("Office", ip, mask, gateway, dns, dhcp, db.addConnection(Connection));
        CurrentDirectory here(db.folder());
        MainWindowServices services = TFrmMainProbe::services(messages);
        services.launcher = makeProcessLauncher(ORVANTIS_BIN_DIR);
        services.pause = [this](std::chrono::milliseconds) { ++pauses; };
        frm = std::make_unique<TFrmMain>(services);
        frm->show();
        if (!QTest::qWaitForWindowActive(frm.get()))
            return false;
        QTest::keyClick(frm.get(), Qt::Key_A, Qt::ControlModifier);
        return QTest::qWaitFor([&] { return pauses >= 2 && !frm->Label1->isVisible(); }, JobTimeoutMs);
    }

    void expectNothingShown() {
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
        EXPECT_TRUE(messages.messages.empty()) << messages.messages.front().toStdString();
    }

    TempDatabase db;
    FakeMessageBoxes messages;
    std::atomic<int> pauses{0};
    std::unique_ptr<TFrmMain> frm;
};

TEST_F(NetworkManagerWindowTest, StaticSetLandsOnTheConnection) {
    ASSERT_TRUE(activate("10.98.0.21", "255.255.255.0", "10.98.0.1", "10.99.0.21", false));
    EXPECT_EQ(profile(), "manual|10.98.0.21/24|10.98.0.1|1|10.99.0.21|yes");
    EXPECT_EQ(addresses(), QStringList({"10.98.0.21/24"}));
    EXPECT_EQ(nameservers(), QStringList({"10.99.0.21"}));
    expectNothingShown();
}

TEST_F(NetworkManagerWindowTest, DhcpSetTakesAddressAndDnsFromTheServer) {
    ASSERT_TRUE(activate("", "", "", "", true));
    EXPECT_EQ(profile(), "auto|||-1||no");
    const QStringList got = addresses();
    ASSERT_EQ(got.size(), 1);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^10\\.98\\.0\\.1([0-4][0-9]|50)/24$")).match(got[0]).hasMatch())
        << got[0].toStdString() << " is not from the server's range";
    EXPECT_EQ(nameservers(), QStringList({"10.98.0.53"}));
    expectNothingShown();
}

} // namespace

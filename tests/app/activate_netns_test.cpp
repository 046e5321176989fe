// Activate from end to end: the main window runs the IP change job, the job runs the
// program's netsh beside it, and the network interface ends up with the set's address.
//
// This changes network configuration for real, so it runs only inside
// tests/tools/netns-sandbox.sh (a network and mount namespace of its own, with the
// interface orv0 and its veth peer orv1 in the namespace "peer"). Anywhere else every
// case is skipped before it touches anything.
#include "app/frmmain.h"
#include "net/process.h"
#include "tests/app/frmmainprobe.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/qstringprint.h"
#include "tests/fixtures/readback.h"
#include "tests/fixtures/tempdatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <net/if.h>
#include <ostream>
#include <system_error>

namespace {

const char* const Interface = "orv0";
const char* const PeerInterface = "orv1";
const char* const PeerNamespace = "peer";
constexpr int JobTimeoutMs = 20000;

// The network namespace of a process ("net:[inode]"), or empty when it cannot be read.
std::string netNamespace(const std::string& pid) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink("/proc/" + pid + "/ns/net", error);
    return error ? std::string() : target.string();
}

std::string parentOf(const std::string& pid) {
    QFile status(QString::fromStdString("/proc/" + pid + "/status"));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("PPid:"))
            return line.mid(5).trimmed().toStdString();
    }
    return {};
}

// Whether one of this process's ancestors (the sandbox script that made the namespace,
// at the latest) is in another network namespace than this process.
bool inPrivateNetNamespace() {
    const std::string own = netNamespace("self");
    if (own.empty())
        return false;
    for (std::string pid = parentOf("self"); !pid.empty() && pid != "0"; pid = parentOf(pid)) {
        const std::string theirs = netNamespace(pid);
        if (!theirs.empty() && theirs != own)
            return true;
    }
    return false;
}

// Why this process must not change network configuration, or empty when it runs in
// the sandbox: the sandbox's mark, a network namespace other than its ancestors', and
// the sandbox's interface.
QString notInSandbox() {
    if (qEnvironmentVariable("ORV_SANDBOX_INNER") != QLatin1String("1"))
        return QStringLiteral("not started by tests/tools/netns-sandbox.sh; this test changes network "
                              "configuration and runs only there (ctest -R activate_netns_test, as root)");
    if (!inPrivateNetNamespace())
        return QStringLiteral("the network namespace is not a private one; refusing to change it");
    if (if_nametoindex(Interface) == 0)
        return QStringLiteral("the sandbox's interface orv0 is missing");
    return {};
}

QString ip(const QStringList& arguments) {
    return runChecked(QStringLiteral("ip"), arguments, 10000);
}

// orv0's IPv4 addresses as address/prefix.
QStringList addresses() {
    return interfaceAddresses(Interface);
}

// The default routes, whitespace normalised.
QStringList defaultRoutes() {
    QStringList all;
    for (const QString& line : ip({"-4", "route", "show", "default"}).split('\n', Qt::SkipEmptyParts))
        all << line.simplified();
    return all;
}

// Everything an activation may change: orv0's addresses, the routes, the resolver file.
QString configuration() {
    return addresses().join(' ') + '\n' + ip({"-4", "route", "show"}) + resolvConf();
}

// The main window over a database of its own, with the platform's administrator
// check, adapter source and process runner; the runner looks in the build's bin
// folder first, where the program's netsh is.
class ActivateNetnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString reason = notInSandbox();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        ASSERT_TRUE(QFile::exists(QStringLiteral(ORVANTIS_BIN_DIR "/netsh"))) << "netsh is not built";
    }

    void start() {
        CurrentDirectory here(db.folder());
        MainWindowServices services = TFrmMainProbe::services(messages);
        services.launcher = makeProcessLauncher(ORVANTIS_BIN_DIR);
        services.pause = [this](std::chrono::milliseconds) { ++pauses; };
        frm = std::make_unique<TFrmMain>(services);
        frm->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    }

    // Activates the only set, as a user does with Ctrl+A, and waits until both command
    // lines have run and the progress indicator is hidden.
    bool activate() {
        QTest::keyClick(frm.get(), Qt::Key_A, Qt::ControlModifier);
        return QTest::qWaitFor([&] { return pauses >= 2 && !frm->Label1->isVisible(); }, JobTimeoutMs);
    }
    // Nothing was shown: no message box, no error message.
    void expectNothingShown() {
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
        EXPECT_TRUE(messages.messages.empty()) << messages.messages.front().toStdString();
    }

    // The "Current IP" row of orv0 in the current configuration list.
    QString listedAddresses() {
        QTreeWidget* list = frm->IPListView;
        for (int i = 0; i + 2 < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(0) == QLatin1String("Adapter ID") &&
                list->topLevelItem(i)->text(1) == QLatin1String(Interface))
                return list->topLevelItem(i + 2)->text(1);
        }
        return QStringLiteral("(orv0 is not listed)");
    }

    TempDatabase db;
    FakeMessageBoxes messages;
    std::atomic<int> pauses{0};
    std::unique_ptr<TFrmMain> frm;
};

TEST_F(ActivateNetnsTest, StaticSetGivesTheInterfaceItsAddressRouteAndNameserver) {
    const qint64 connection = db.addConnection(Interface);
    db.addIPSet("Lab", "10.77.0.5", "255.255.255.0", "10.77.0.1", "10.77.0.53", 0, connection);
    ip({"addr", "replace", "10.66.0.9/16", "dev", Interface}); // an address that must go
    start();

    ASSERT_TRUE(activate());

    EXPECT_EQ(addresses(), QStringList({"10.77.0.5/24"}));
    EXPECT_EQ(defaultRoutes(), QStringList({"default via 10.77.0.1 dev orv0 metric 1"}));
    EXPECT_EQ(nameservers(), QStringList({"10.77.0.53"}));
    expectNothingShown();
    EXPECT_EQ(frm->Label1->text(), "IP Settings Succecsfully changed...Posting data please wait...");

    QTest::keyClick(frm.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(listedAddresses(), QString("10.77.0.5/255.255.255.0")) << "the window's own view after Refresh";
}

TEST_F(ActivateNetnsTest, SetForAMissingInterfaceWarnsAndChangesNothing) {
    const qint64 connection = db.addConnection("nosuchif");
    db.addIPSet("Nowhere", "10.77.0.7", "255.255.255.0", "10.77.0.1", "10.77.0.54", 0, connection);
    ip({"addr", "replace", "10.66.0.9/16", "dev", Interface});
    ip({"route", "replace", "default", "via", "10.66.0.1", "dev", Interface, "metric", "5"});
    const QString before = configuration();
    start();

    ASSERT_TRUE(activate());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.shown.empty(); }, JobTimeoutMs));

    ASSERT_EQ(messages.shown.size(), 1u);
    // netsh's own words follow each failed line.
    EXPECT_EQ(messages.shown[0].text, "The IP Set was not applied completely.\r"
                                      "Address settings: netsh ended with code 1\r"
                                      "netsh: there is no network interface named \"nosuchif\"\r"
                                      "DNS settings: netsh ended with code 1\r"
                                      "netsh: there is no network interface named \"nosuchif\"");
    EXPECT_EQ(messages.shown[0].flags, Mb::OK | Mb::ICONWARNING);
    EXPECT_EQ(frm->Label1->text(), "Changing IP settings failed: netsh ended with code 1.");
    EXPECT_EQ(configuration(), before);
}

// A DHCP server (dnsmasq) on the veth peer, in the peer namespace, for the length of a case.
class DhcpServer {
public:
    DhcpServer() {
        ip({"-n", PeerNamespace, "addr", "replace", "10.77.0.1/24", "dev", PeerInterface});
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(
            QStringLiteral("ip"),
            {"netns", "exec", PeerNamespace, "dnsmasq", "--keep-in-foreground", "--conf-file=/dev/null",
             "--port=0", "--no-resolv", "--no-hosts", "--interface=orv1", "--bind-interfaces",
             "--dhcp-range=10.77.0.100,10.77.0.150,255.255.255.0,1h", "--dhcp-option=option:router,10.77.0.1",
             "--dhcp-option=option:dns-server,10.77.0.60", "--dhcp-leasefile=" + m_work.filePath("leases"),
             "--pid-file=" + m_work.filePath("dnsmasq.pid"), "--user=root"});
    }
    ~DhcpServer() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    DhcpServer(const DhcpServer&) = delete;
    DhcpServer& operator=(const DhcpServer&) = delete;

    // Waits until the server has written its pid file, that is, listens.
    bool ready() {
        return QTest::qWaitFor(
            [&] {
                return m_process.state() == QProcess::Running &&
                       QFileInfo(m_work.filePath("dnsmasq.pid")).size() > 0;
            },
            5000);
    }

private:
    QTemporaryDir m_work;
    QProcess m_process;
};

bool hasProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty() ||
           !QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"}).isEmpty();
}

TEST_F(ActivateNetnsTest, DhcpSetTakesAnAddressFromTheServer) {
    if (!hasProgram("dnsmasq"))
        GTEST_SKIP() << "dnsmasq is not installed";
    if (!hasProgram("dhclient") && !hasProgram("dhcpcd") && !hasProgram("udhcpc"))
        GTEST_SKIP() << "no DHCP client (dhclient, dhcpcd or udhcpc) is installed";
    DhcpServer server;
    ASSERT_TRUE(server.ready()) << "dnsmasq did not start";
    const qint64 connection = db.addConnection(Interface);
    // The static values of a DHCP set are kept but not applied.
    db.addIPSet("Roaming", "10.77.0.5", "255.255.255.0", "10.77.0.1", "10.77.0.53", 1, connection);
    start();

    ASSERT_TRUE(activate());

    const QStringList got = addresses();
    ASSERT_EQ(got.size(), 1) << got.join(' ').toStdString();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^10\\.77\\.0\\.1([0-4][0-9]|50)/24$")).match(got[0]).hasMatch())
        << got[0].toStdString() << " is not from the server's range 10.77.0.100-150";
    ASSERT_EQ(defaultRoutes().size(), 1);
    EXPECT_TRUE(defaultRoutes()[0].startsWith("default via 10.77.0.1 dev orv0"))
        << defaultRoutes()[0].toStdString();
    EXPECT_EQ(nameservers(), QStringList({"10.77.0.60"}));
    expectNothingShown();
    EXPECT_EQ(frm->Label1->text(), "IP Settings Succecsfully changed...Posting data please wait...");
}

} // namespace

#include "app/frmmain.h"

#include "app/jobhost.h"
#include "dialogs/about/helpviewer.h"
#include "dialogs/addipset/addipset.h"
#include "net/adaptersource.h"
#include "net/admin.h"
#include "net/process.h"
#include "resources/helpfile.h"
#include "widgets/accessiblenames.h"
#include "widgets/applicationtitle.h"
#include "widgets/busyanimation.h"
#include "widgets/componentcaption.h"
#include "widgets/desktop.h"
#include "widgets/fonts.h"
#include "widgets/ipaddressedit.h"
#include "widgets/menulook.h"
#include "widgets/messageboxes.h"
#include "widgets/placed.h"
#include "widgets/treeview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QStringBuilder>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

const QString DatabaseFileName = QStringLiteral("ipdb.ipdb");
const QString AdministratorWarning =
    QStringLiteral("You do not have Administrator rights.\rYou may not be able to change the Ip settings\r"
                   "Do you want to try it anyway?");

// Texts of the platform's records are 8-bit, in the system's code page.
QString systemText(const std::string& text) {
    return QString::fromLocal8Bit(text);
}
std::string jobText(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

MainWindowServices withPlatformDefaults(MainWindowServices services) {
    if (!services.messages) {
        static QtMessageBoxes platformMessages; // holds nothing: one serves every window
        services.messages = &platformMessages;
    }
    if (!services.isAdmin)
        services.isAdmin = [] { return IsAdmin(); };
    if (!services.launcher)
        services.launcher = makeProcessLauncher();
    if (!services.pause)
        services.pause = sleepPause;
    if (!services.adapters)
        services.adapters = PlatformAdapterSource();
    if (!services.desktop)
        services.desktop = std::make_shared<QtDesktop>();
    if (services.helpFile.isEmpty())
        services.helpFile = helpFilePath();
    return services;
}

} // namespace

TFrmMain::TFrmMain(const MainWindowServices& services, QWidget* parent)
    : QMainWindow(parent), IPSetT(AdoConn, QStringLiteral("IPSetT"), QStringLiteral("IPSets")),
      ConnectionsT(AdoConn, QStringLiteral("ConnectionsT"), QStringLiteral("Connections")),
      ConnectionsDs(&ConnectionsT), m_services(withPlatformDefaults(services)),
      m_errorReport(*m_services.messages) {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(applicationTitle());
    setFont(Fonts::formFont(true));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    ConnectionsDs.setAutoEdit(true);

    createControls();
    createMainMenu();
    createTreeMenu();
    MenuLook::useWindowFont(this);
    m_animateProgress = std::make_unique<AnimationProgress>(Animate1);
    m_labelProgress = std::make_unique<LabelProgress>(Label1);
    m_jobHost = std::make_shared<WindowJobHost>(this, *m_services.messages);
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    placeOnScreen(this, InitialPosition);

    m_errorReport.run([this] { FormCreate(); });
}

TFrmMain::~TFrmMain() {
    // A job still running gets no further step: it cannot reach this window any more.
    m_jobHost->close();
}

void TFrmMain::setAboutBox(QDialog* aboutBox) {
    m_aboutBox = aboutBox;
}

void TFrmMain::setManager(QWidget* manager) {
    m_manager = manager;
    // The manager's window answers to the keys of the IP set commands and of
    // Refresh too; its own menu keeps Ctrl+Q.
    manager->addActions({RefreshCurrentConfiguration1, AddNewIPConfigurationSet1, ActivatetheselectedIPSet1,
                         EdittheselectedIPset1, DeletetheselectedIPset1});
}

// ---------------------------------------------------------------- layout

void TFrmMain::createControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setFixedHeight(19);
    StatusPanel0 = new QLabel(applicationTitle(), StatusBar);
    StatusPanel0->setFixedWidth(100);
    StatusPanel1 = new QLabel(StatusBar);
    StatusPanel1->setFixedWidth(250);
    for (QLabel* panel : {StatusPanel0, StatusPanel1}) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusBar->addWidget(panel);
    }
    setStatusBar(StatusBar);

    TabControl1 = placed(new QFrame(central), 0, 0, ClientWidth, ClientHeight - 19);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);

    GroupBox1 = placed(new QGroupBox(QStringLiteral("Current Configuration"), TabControl1), 4, 358, 410, 185);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));

    Panel1 = placed(new QFrame(GroupBox1), 2, 15, 406, 26);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    Animate1 = new BusyAnimation(Panel1);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->move(8, 5);
    Animate1->setAccessibleName(QStringLiteral("Progress animation"));
    Animate1->hide();

    Label1 = new QLabel(QStringLiteral("Test"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(32, 8);
    Label1->setFixedHeight(13);
    Label1->setMinimumWidth(Panel1->width() - 32 - 4);
    Label1->hide();

    RefreshBtn = placed(new QPushButton(QStringLiteral("Refresh"), Panel1), 328, 2, 75, 21);
    RefreshBtn->setObjectName(QStringLiteral("RefreshBtn"));
    RefreshBtn->hide();
    connect(RefreshBtn, &QPushButton::clicked, this,
            [this] { guarded(&TFrmMain::RefreshBtnClick, RefreshBtn); });

    IPListView = placed(new QTreeWidget(GroupBox1), 2, 41, 406, 142);
    IPListView->setObjectName(QStringLiteral("IPListView"));
    IPListView->setColumnCount(2);
    IPListView->setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Value")});
    IPListView->setColumnWidth(0, 120);
    IPListView->setColumnWidth(1, 282);
    IPListView->setRootIsDecorated(false);
    IPListView->setItemsExpandable(false);
    IPListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    IPListView->setSelectionMode(QAbstractItemView::SingleSelection);
    IPListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    IPListView->setSortingEnabled(false);
    IPListView->setUniformRowHeights(true);
    IPListView->header()->setStretchLastSection(false);
    IPListView->header()->setSectionsMovable(false);

    PageControl1 = placed(new QTabWidget(TabControl1), 4, 6, 410, 352);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Available IP Sets"));

    IPSetTreeView = new TreeView(TabSheet1);
    IPSetTreeView->setObjectName(QStringLiteral("IPSetTreeView"));
    IPSetTreeView->setIndentation(19);
    AccessibleNames::name(IPSetTreeView, PageControl1->tabText(0));
    auto* sheetLayout = new QHBoxLayout(TabSheet1);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    sheetLayout->addWidget(IPSetTreeView);
    connect(IPSetTreeView, &TreeView::clicked, this, [this] { IPSetTreeViewClick(IPSetTreeView); });
}

QAction* TFrmMain::addCommand(QMenu* menu, const QString& caption, const QKeySequence& shortcut,
                              Handler handler) {
    QAction* action = menu->addAction(caption);
    if (!shortcut.isEmpty()) {
        // The key acts while this window is the active one, or a window that the
        // command is lent to (setManager); never in the help viewer or a modal window.
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler, action] { guarded(handler, action); });
    return action;
}

void TFrmMain::createMainMenu() {
    QMenuBar* bar = menuBar();
    MenuLook::apply(bar);

    File1 = bar->addMenu(QStringLiteral("File"));
    Options1 = addCommand(File1, QStringLiteral("Options"), QKeySequence(), nullptr);
    Options1->setVisible(false); // an unfinished settings dialog: nothing opens it
    RefreshCurrentConfiguration1 = addCommand(File1, QStringLiteral("Refresh Current Configuration"),
                                              QKeySequence(Qt::CTRL | Qt::Key_R), &TFrmMain::RefreshBtnClick);
    File1->addSeparator();
    Exit1 =
        addCommand(File1, QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &TFrmMain::Exit1Click);

    Connections1 = bar->addMenu(QStringLiteral("Connections"));
    ManageConnections1 = addCommand(Connections1, QStringLiteral("Manage Connections"), QKeySequence(),
                                    &TFrmMain::ManageConnections1Click);

    ools1 = bar->addMenu(QStringLiteral("IP Sets"));
    AddNewIPConfigurationSet1 =
        addCommand(ools1, QStringLiteral("Add New IP Configuration Set"), QKeySequence(Qt::Key_Insert),
                   &TFrmMain::AddNewIPConfigurationSet1Click);
    ools1->addSeparator();
    ActivatetheselectedIPSet1 =
        addCommand(ools1, QStringLiteral("Activate the selected IP set"), QKeySequence(Qt::CTRL | Qt::Key_A),
                   &TFrmMain::ActivatethisIPSet1Click);
    EdittheselectedIPset1 = addCommand(ools1, QStringLiteral("Edit the selected IP set"),
                                       QKeySequence(Qt::CTRL | Qt::Key_E), &TFrmMain::EditthisIPSet1Click);
    DeletetheselectedIPset1 =
        addCommand(ools1, QStringLiteral("Delete the selected IP set"), QKeySequence(Qt::CTRL | Qt::Key_D),
                   &TFrmMain::DeletethisIPSet1Click);

    Help1 = bar->addMenu(QStringLiteral("Help"));
    HelpFile1 = addCommand(Help1, QStringLiteral("Help File"), QKeySequence(), &TFrmMain::HelpFile1Click);
    About1 = addCommand(Help1, QStringLiteral("About..."), QKeySequence(), &TFrmMain::About1Click);
}

void TFrmMain::createTreeMenu() {
    AdvPopupMenu1 = new QMenu(this);
    AdvPopupMenu1->setObjectName(QStringLiteral("AdvPopupMenu1"));
    MenuLook::apply(AdvPopupMenu1);
    ActivatethisIPSet2 = addCommand(AdvPopupMenu1, QStringLiteral("Activate this IP Set"), QKeySequence(),
                                    &TFrmMain::ActivatethisIPSet1Click);
    AdvPopupMenu1->addSeparator();
    EditthisIPSet2 = addCommand(AdvPopupMenu1, QStringLiteral("Edit this IP Set"), QKeySequence(),
                                &TFrmMain::EditthisIPSet1Click);
    AdvPopupMenu1->addSeparator();
    DeletethisIPSet2 = addCommand(AdvPopupMenu1, QStringLiteral("Delete this IP Set"), QKeySequence(),
                                  &TFrmMain::DeletethisIPSet1Click);
    connect(AdvPopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(AdvPopupMenu1); });
    connect(IPSetTreeView, &TreeView::contextMenuWanted, AdvPopupMenu1,
            [this](const QPoint& at) { AdvPopupMenu1->popup(at); });
}

void TFrmMain::guarded(Handler handler, QObject* sender) {
    m_errorReport.run([this, handler, sender] { (this->*handler)(sender); });
}

// ---------------------------------------------------------------- start-up and closing

void TFrmMain::FormCreate() {
    m_databaseFolder = QDir::currentPath() + QLatin1Char('/');
    AdoConn.disconnect();
    AdoConn.setConnectionString(QString());
    AdoConn.setConnectionString(m_databaseFolder + DatabaseFileName);
    AdoConn.connect();
    IPSetT.open();
    ConnectionsT.open();
}

void TFrmMain::FormShow() {
    IPSetT.open();
    ConnectionsT.open();
    RefreshBtnClick(RefreshBtn); // what a click of the hidden Refresh button runs
    PageControl1->setCurrentIndex(0);
    LoadIPSetTree();
}

void TFrmMain::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && !m_placed) {
        m_placed = true;
        placeOnScreen(this, InitialPosition); // again, now that the frame's size is known
    }
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        m_errorReport.run([this] { FormShow(); });
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::quit();
}

void TFrmMain::Exit1Click(QObject*) {
    close();
}

// ---------------------------------------------------------------- current configuration

void TFrmMain::RefreshBtnClick(QObject*) {
    IPListView->clear();
    auto snapshot = std::make_unique<TIPInfo>(*m_services.adapters);
    AdapterInfo = std::move(snapshot);
    for (std::int32_t a = 0; a < AdapterInfo->AdapterCount(); ++a) {
        const TAdapter& adapter = AdapterInfo->Adapters(a);
        QString addresses;
        for (std::int32_t i = 0; i < adapter.IPAddressCount(); ++i)
            addresses += systemText(adapter.IPAddresses(i).Text());
        QString gateways;
        for (std::int32_t i = 0; i < adapter.GatewayCount(); ++i)
            gateways += systemText(adapter.Gateways(i).Text());
        addConfigurationRow(QStringLiteral("Adapter ID"), systemText(adapter.AdapterName));
        addConfigurationRow(QStringLiteral("Description"), systemText(adapter.Description));
        addConfigurationRow(QStringLiteral("Current IP"), addresses);
        addConfigurationRow(QStringLiteral("Default Gateway"), gateways);
        addConfigurationRow(QStringLiteral("DHCP Enabled"),
                            adapter.DhcpEnabled ? QStringLiteral("True") : QStringLiteral("False"));
    }
}

void TFrmMain::addConfigurationRow(const QString& caption, const QString& value) {
    auto* row = new QTreeWidgetItem(IPListView);
    row->setText(0, caption);
    row->setText(1, value);
}

// ---------------------------------------------------------------- IP set tree

namespace {

// The detail lines of an IP set node, in their order: the text before the value,
// and the field whose text is the value. The last line, the connection's name,
// comes through ConnectionNameById from the field "connection".
struct DetailLine {
    const char* prefix;
    const char* field;
};
constexpr DetailLine TextDetailLines[] = {
    {"IP:", "ipaddress"}, {"Subnet mask :", "subnetmask"}, {"Def.Gateway :", "gateway"}, {"DNS :", "dns"},
    {"DHCP :", "dhcp"},
};

} // namespace

void TFrmMain::LoadIPSetTree() {
    IPSetTreeView->clear();
    IPSetT.first();
    const int count = IPSetT.recordCount();
    if (count < 1)
        return;

    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(count);
    const auto addNodesSoFar = [&] {
        IPSetTreeView->addTopLevelItems(nodes);
        IPSetTreeView->collapseAll();
        IPSetTreeView->clearSelection();
    };
    try {
        for (int i = 0; i < count; ++i) {
            auto* node = new QTreeWidgetItem(QStringList(IPSetT.fieldAsString(QStringLiteral("ipset_name"))));
            nodes.append(node);
            // Each line goes in as soon as its field is read: a field that fails ends
            // the load with the lines before it in place.
            // (Each text is built at its exact size: a tree of many sets keeps them all.)
            for (const DetailLine& line : TextDetailLines)
                new QTreeWidgetItem(node, QStringList(QString(QLatin1String(line.prefix) %
                                                              IPSetT.fieldAsString(QLatin1String(line.field)))));
            new QTreeWidgetItem(
                node, QStringList(QString(QLatin1String("Connection Name:") %
                                          ConnectionNameById(IPSetT.fieldAsInteger(QStringLiteral("connection"))))));
            IPSetT.next();
        }
    } catch (...) {
        addNodesSoFar();
        throw;
    }
    addNodesSoFar();
}

// What a load of the tree needs of the store: both tables open, with every field it
// reads, and no connection left pending (the load's first lookup would settle it).
// Throws the error the load would throw, before the editor stores anything.
void TFrmMain::CheckIPSetTreeCanLoad() {
    QStringList ipSetFields = {QStringLiteral("ipset_name")};
    for (const DetailLine& line : TextDetailLines)
        ipSetFields << QLatin1String(line.field);
    ipSetFields << QStringLiteral("connection");
    IPSetT.requireFields(ipSetFields);
    ConnectionsT.requireFields({QStringLiteral("autoincfield"), QStringLiteral("connectionname")});
    ConnectionsT.moveTo(ConnectionsT.currentIndex()); // settles, and stays on the row
}

bool TFrmMain::LocateIPSetByName(const QString& name) {
    IPSetT.first();
    const int count = IPSetT.recordCount();
    for (int i = 0; i < count; ++i) {
        if (IPSetT.fieldAsString(QStringLiteral("ipset_name")) == name)
            return true;
        IPSetT.next();
    }
    return false;
}

QString TFrmMain::ConnectionNameById(int id) {
    QString name;
    if (ConnectionsT.locate(QStringLiteral("autoincfield"), id, DataTable::CaseInsensitive))
        name = ConnectionsT.fieldAsString(QStringLiteral("connectionname"));
    return name;
}

void TFrmMain::IPSetTreeViewClick(QObject*) {
    try {
        if (QTreeWidgetItem* node = IPSetTreeView->selectedNode())
            LocateIPSetByName(node->text(0));
    } catch (...) {
        // A click only points at an IP set; a store error here is not worth a message.
    }
}

void TFrmMain::PopupMenu1Popup(QObject*) {
    QTreeWidgetItem* node = IPSetTreeView->selectedNode();
    const bool onIPSet = node && !node->parent();
    const QList<QAction*> items = AdvPopupMenu1->actions();
    for (int position : {0, 2, 4})
        items.at(position)->setEnabled(onIPSet);
}

void TFrmMain::DeletethisIPSet1Click(QObject*) {
    QTreeWidgetItem* node = IPSetTreeView->selectedNode();
    // The row of the selected node, found by its exact name (the row a click on it
    // makes current): a set whose name differs only in letter case is never touched.
    if (node && !node->parent() && LocateIPSetByName(node->text(0))) {
        try {
            IPSetT.remove();
        } catch (...) {
            // Refused (another program changed the set, which now shows as stored) or
            // failed: the tree shows the sets as they are before the error is told.
            LoadIPSetTree();
            throw;
        }
    }
    LoadIPSetTree();
}

// ---------------------------------------------------------------- commands of other windows

void TFrmMain::ActivatethisIPSet1Click(QObject*) {
    if (!m_services.isAdmin() &&
        m_services.messages->show(this, AdministratorWarning, Mb::YESNO | Mb::ICONWARNING) != Id::YES)
        return;
    auto job = std::make_unique<TChangeIp>(m_jobHost, m_services.launcher, m_services.pause);
    job->FAnimate = m_animateProgress.get();
    job->FLabel = m_labelProgress.get();
    job->FIPAddress = jobText(IPSetT.fieldAsString(QStringLiteral("ipaddress")));
    job->FSubnetMask = jobText(IPSetT.fieldAsString(QStringLiteral("subnetmask")));
    job->FGateway = jobText(IPSetT.fieldAsString(QStringLiteral("gateway")));
    job->FDNS = jobText(IPSetT.fieldAsString(QStringLiteral("dns")));
    job->FDHCP = IPSetT.fieldAsBoolean(QStringLiteral("dhcp"));
    job->FConnectionName = jobText(ConnectionNameById(IPSetT.fieldAsInteger(QStringLiteral("connection"))));
    TChangeIp::StartReleasing(std::move(job));
}

TFrmAddNewIP* TFrmMain::createEditor() {
    FrmAddNewIP = new TFrmAddNewIP(
        this, IPSetT, ConnectionsDs, m_errorReport, [this] { LoadIPSetTree(); },
        [this] { CheckIPSetTreeCanLoad(); });
    return FrmAddNewIP;
}

void TFrmMain::AddNewIPConfigurationSet1Click(QObject*) {
    // An editor closed by its frame may still hold the name of a pending row: it hands
    // it over when the insert settles that row, and is released after that.
    QPointer<TFrmAddNewIP> previous = FrmAddNewIP;
    TFrmAddNewIP* editor = createEditor();
    IPSetT.insert();
    delete previous;
    editor->exec();
}

void TFrmMain::EditthisIPSet1Click(QObject* Sender) {
    QTreeWidgetItem* node = IPSetTreeView->selectedNode();
    if (!node || !LocateIPSetByName(node->text(0)))
        return;
    QPointer<TFrmAddNewIP> previous = FrmAddNewIP;
    TFrmAddNewIP* editor = createEditor();
    delete previous; // the locate has settled any row it left pending
    editor->IP->setText(IPSetT.fieldAsString(QStringLiteral("ipaddress")));
    editor->SUB->setText(IPSetT.fieldAsString(QStringLiteral("subnetmask")));
    editor->GATE->setText(IPSetT.fieldAsString(QStringLiteral("gateway")));
    editor->DNS->setText(IPSetT.fieldAsString(QStringLiteral("dns")));
    editor->DHCPCheck->setChecked(IPSetT.fieldAsBoolean(QStringLiteral("dhcp")));
    IPSetT.edit();
    editor->setWindowTitle(GetComponentCaption(Sender));
    editor->exec();
}

void TFrmMain::ManageConnections1Click(QObject*) {
    if (!m_manager)
        return;
    if (m_manager->isMinimized())
        m_manager->showNormal();
    m_manager->show();
    m_manager->raise();
    m_manager->activateWindow();
}

void TFrmMain::HelpFile1Click(QObject*) {
    // The help viewer belongs to this window; a file it cannot read it reports itself.
    if (!m_helpViewer)
        m_helpViewer = new THelpViewer(*m_services.desktop, this);
    m_helpViewer->showContents(m_services.helpFile);
}

void TFrmMain::About1Click(QObject*) {
    if (m_aboutBox)
        m_aboutBox->exec();
}

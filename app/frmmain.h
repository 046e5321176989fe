#pragma once

#include "net/IPInfo.h"
#include "net/changeip.h"
#include "store/database.h"
#include "store/datasource.h"
#include "store/datatable.h"
#include "widgets/errorreport.h"

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <memory>

class AdapterSource;
class Desktop;
class QDialog;
class TFrmAddNewIP;
class THelpViewer;
class AnimationProgress;
class BusyAnimation;
class LabelProgress;
class MessageBoxes;
class ProcessLauncher;
class WindowJobHost;
class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QWidget;
class TreeView;

// What the main window needs from outside: the seams that tests replace. A piece
// left empty is the platform's own.
struct MainWindowServices {
    MessageBoxes* messages = nullptr;
    std::function<bool()> isAdmin;             // the administrator check
    std::shared_ptr<ProcessLauncher> launcher; // runs the netsh command lines
    JobPause pause;                            // the pause after each command line
    std::shared_ptr<AdapterSource> adapters;   // the records of the adapter snapshot
    std::shared_ptr<Desktop> desktop;          // opens links of the help viewer
    QString helpFile;                          // the application's help file (a fixed path)
};

// The main window: the tree of IP sets, the current configuration list, the
// progress indicator of the IP change job, the menus, and the store that every
// window of the program works on.
class TFrmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 418;
    static constexpr int ClientHeight = 566;
    // Where the window opens when the screen's available area has room for it there.
    static constexpr QPoint InitialPosition{390, 250};

    explicit TFrmMain(const MainWindowServices& services, QWidget* parent = nullptr);
    ~TFrmMain() override;

    // Windows created at start-up after this one; the commands show them. The
    // manager also takes the keys of the commands that act while it is active.
    void setAboutBox(QDialog* aboutBox);
    void setManager(QWidget* manager);

    // The store, shared by every window of the program.
    Database AdoConn;
    DataTable IPSetT;
    DataTable ConnectionsT;
    DataSource ConnectionsDs;

    // Controls.
    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QFrame* TabControl1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QTreeWidget* IPListView = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* RefreshBtn = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    TreeView* IPSetTreeView = nullptr;
    BusyAnimation* Animate1 = nullptr;
    QLabel* Label1 = nullptr;
    QMenu* AdvPopupMenu1 = nullptr;

    // The latest adapter snapshot; empty until the first successful refresh.
    std::unique_ptr<TIPInfo> AdapterInfo;

    // Menu items (main menu, then the tree's context menu).
    QMenu* File1 = nullptr;
    QAction* Options1 = nullptr;
    QAction* RefreshCurrentConfiguration1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Connections1 = nullptr;
    QAction* ManageConnections1 = nullptr;
    QMenu* ools1 = nullptr;
    QAction* AddNewIPConfigurationSet1 = nullptr;
    QAction* ActivatetheselectedIPSet1 = nullptr;
    QAction* EdittheselectedIPset1 = nullptr;
    QAction* DeletetheselectedIPset1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* HelpFile1 = nullptr;
    QAction* About1 = nullptr;
    QAction* ActivatethisIPSet2 = nullptr;
    QAction* EditthisIPSet2 = nullptr;
    QAction* DeletethisIPSet2 = nullptr;

    const ErrorReport& errorReport() const { return m_errorReport; }

    // The handlers take the control or menu item that raised the event; only the Edit
    // command looks at it (its caption becomes the editor's caption).
public slots:
    void FormCreate();
    void FormShow();
    void RefreshBtnClick(QObject* Sender = nullptr);
    void IPSetTreeViewClick(QObject* Sender = nullptr);
    void PopupMenu1Popup(QObject* Sender = nullptr);
    void DeletethisIPSet1Click(QObject* Sender = nullptr);
    void ActivatethisIPSet1Click(QObject* Sender = nullptr);
    void AddNewIPConfigurationSet1Click(QObject* Sender = nullptr);
    void EditthisIPSet1Click(QObject* Sender = nullptr);
    void ManageConnections1Click(QObject* Sender = nullptr);
    void HelpFile1Click(QObject* Sender = nullptr);
    void About1Click(QObject* Sender = nullptr);
    void Exit1Click(QObject* Sender = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend struct TFrmMainProbe; // tests reach the private lookups through it

    void LoadIPSetTree();
    void CheckIPSetTreeCanLoad();
    bool LocateIPSetByName(const QString& name);
    QString ConnectionNameById(int id);

    void addConfigurationRow(const QString& caption, const QString& value);

    void createControls();
    void createMainMenu();
    void createTreeMenu();
    using Handler = void (TFrmMain::*)(QObject*);
    QAction* addCommand(QMenu* menu, const QString& caption, const QKeySequence& shortcut, Handler handler);
    // Runs a command handler; an error that leaves it goes to the error report.
    void guarded(Handler handler, QObject* sender);
    // A new IP set editor for one Add or Edit command.
    TFrmAddNewIP* createEditor();

    MainWindowServices m_services;
    ErrorReport m_errorReport;
    std::unique_ptr<AnimationProgress> m_animateProgress;
    std::unique_ptr<LabelProgress> m_labelProgress;
    std::shared_ptr<WindowJobHost> m_jobHost;
    QString m_databaseFolder;
    QDialog* m_aboutBox = nullptr;
    THelpViewer* m_helpViewer = nullptr;
    QPointer<TFrmAddNewIP> FrmAddNewIP; // the editor of the latest Add or Edit
    QWidget* m_manager = nullptr;
    bool m_placed = false; // placed on the screen when first shown
};

#include "dialogs/conmanager/conmanager.h"

#include "store/datasource.h"
#include "store/datatable.h"
#include "widgets/accessiblenames.h"
#include "widgets/dbgrid.h"
#include "widgets/fonts.h"
#include "widgets/menulook.h"
#include "widgets/messageboxes.h"
#include "widgets/placed.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>

const QStringList TFrmManager::NoteLines = {
    QStringLiteral("Note:"),
    QStringLiteral("Remember each line represents  a network connection of your computer."),
    QStringLiteral("Do not forget to write the connection name exactly as it is written in the"),
    QStringLiteral("windows control panel,otherwise the IP Set you will try to apply might not"),
    QStringLiteral("work."),
};

const QString TFrmManager::DeleteQuestion =
    QStringLiteral("Are you sure you want to delete the selected connection?\rDelete?");

namespace {

constexpr int TabControlHeight = 129;
constexpr int StatusBarHeight = 19;

// A key that one of the commands lent to this window (the main window's Ins,
// Ctrl+A, Ctrl+E, Ctrl+D, Ctrl+R) answers to.
bool isLentCommandKey(const QWidget* window, const QKeyEvent* event) {
    const QKeySequence keys(QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key())));
    for (const QAction* action : window->actions())
        if (action->isEnabled() && action->shortcuts().contains(keys))
            return true;
    return false;
}

// A key that types into a text (as opposed to moving, selecting, copying or
// changing the focus).
bool typesText(const QKeyEvent* event) {
    if (event->text().isEmpty() || event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        return false;
    return !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

} // namespace

TFrmManager::TFrmManager(DataTable& connections, DataSource& connectionsDs, MessageBoxes& messages,
                         QWidget* parent)
    : QMainWindow(parent), m_connections(connections), m_connectionsDs(connectionsDs), m_messages(messages),
      m_errorReport(messages) {
    setObjectName(QStringLiteral("FrmManager"));
    setWindowTitle(QStringLiteral("Manage Connections"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(Fonts::formFont(false));

    createControls();
    createMenus();
    MenuLook::useWindowFont(this);
    resize(ClientWidth, AdvMainMenu1->sizeHint().height() + ClientHeight);
}

TFrmManager::~TFrmManager() = default;

// ---------------------------------------------------------------- layout

void TFrmManager::createControls() {
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(StatusBarHeight);
    setStatusBar(StatusBar);

    auto* central = new QWidget(this);
    setCentralWidget(central);

    TabControl1 = new QFrame(central);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    TabControl1->setFixedHeight(TabControlHeight);

    Memo1 = placed(new QPlainTextEdit(TabControl1), 4, 6, 401, 75);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Memo1->setLineWidth(1);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setTabChangesFocus(true);
    Memo1->setPlainText(NoteLines.join(QLatin1Char('\n')));
    Memo1->setReadOnly(true);
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo1->setAcceptDrops(false);
    Memo1->installEventFilter(this);

    createGrid();

    const QFont bold = Fonts::formFont(true);
    Label1 = new QLabel(QStringLiteral("Connection Name :"), TabControl1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(bold);
    Label1->move(5, 86);
    Label1->adjustSize();

    Edit1 = placed(new QLineEdit(TabControl1), 113, 82, 209, 21);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFont(bold);

    Label2 = new QLabel(QStringLiteral("Description :"), TabControl1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(bold);
    Label2->move(41, 106);
    Label2->adjustSize();

    Edit2 = placed(new QLineEdit(TabControl1), 113, 106, 289, 21);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFont(bold);

    BitBtn1 = placed(new QPushButton(QStringLiteral("Add"), TabControl1), 328, 82, 75, 21);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setFont(bold);
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { m_errorReport.run([this] { BitBtn1Click(BitBtn1); }); });

    AccessibleNames::nameAfter(Edit1, Label1);
    AccessibleNames::nameAfter(Edit2, Label2);

    // Tab order as the controls were placed: the note, the name, Add, the description, the grid.
    setTabOrder(Memo1, Edit1);
    setTabOrder(Edit1, BitBtn1);
    setTabOrder(BitBtn1, Edit2);
    setTabOrder(Edit2, DBAdvGrid1);
    for (QWidget* control : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2),
                             static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(DBAdvGrid1)})
        control->installEventFilter(this);

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TabControl1);
    layout->addWidget(DBAdvGrid1, 1);
}

void TFrmManager::createGrid() {
    DBAdvGrid1 = new DbGrid(centralWidget());
    DBAdvGrid1->setObjectName(QStringLiteral("DBAdvGrid1"));
    DBAdvGrid1->setColumns({
        {QStringLiteral("ConnectionName"), 200, Fonts::formFont(false)},
        {QStringLiteral("Description"), 185, Fonts::tahoma(false)},
    });
    DBAdvGrid1->horizontalHeader()->setFont(Fonts::tahoma(true));
    DBAdvGrid1->setDataSource(&m_connectionsDs);
    DBAdvGrid1->setErrorHandler([this](const std::exception& error) { m_errorReport.show(error); });
}

void TFrmManager::createMenus() {
    AdvMainMenu1 = new QMenuBar(this);
    AdvMainMenu1->setObjectName(QStringLiteral("AdvMainMenu1"));
    MenuLook::apply(AdvMainMenu1);
    setMenuBar(AdvMainMenu1);

    File1 = AdvMainMenu1->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));
    Exit1 = File1->addAction(QStringLiteral("Exit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    Exit1->setShortcutContext(Qt::WindowShortcut); // hides this window only
    connect(Exit1, &QAction::triggered, this, [this] { m_errorReport.run([this] { Exit1Click(Exit1); }); });

    AdvPopupMenu1 = new QMenu(this);
    AdvPopupMenu1->setObjectName(QStringLiteral("AdvPopupMenu1"));
    MenuLook::apply(AdvPopupMenu1);
    DeleteConnection1 = AdvPopupMenu1->addAction(QStringLiteral("Delete Connection"));
    DeleteConnection1->setObjectName(QStringLiteral("DeleteConnection1"));
    connect(DeleteConnection1, &QAction::triggered, this,
            [this] { m_errorReport.run([this] { DeleteConnection1Click(DeleteConnection1); }); });
    DBAdvGrid1->setPopupMenu(AdvPopupMenu1);
}

// ---------------------------------------------------------------- showing

void TFrmManager::showEvent(QShowEvent* event) {
    if (!m_placed && !event->spontaneous()) {
        m_placed = true;
        centreOnScreen(this);
    }
    QMainWindow::showEvent(event);
}

// ---------------------------------------------------------------- keys

bool TFrmManager::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && isLentCommandKey(this, static_cast<QKeyEvent*>(event))) {
        // The control does not claim the key: the command takes it, as in the main window.
        event->ignore();
        return true;
    }
    if (watched == Memo1 && event->type() == QEvent::KeyPress)
        return discardTypedCharacters(static_cast<QKeyEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}

// Runs Memo1KeyPress for each character that a key types into the note; the key
// is dropped when every character was replaced by none.
bool TFrmManager::discardTypedCharacters(QKeyEvent* event) {
    if (!typesText(event))
        return false;
    bool anyLeft = false;
    for (QChar key : event->text()) {
        Memo1KeyPress(Memo1, key);
        anyLeft = anyLeft || !key.isNull();
    }
    return !anyLeft;
}

void TFrmManager::Memo1KeyPress(QObject* /*sender*/, QChar& key) {
    key = QChar();
}

// ---------------------------------------------------------------- commands

// Add: a new row from the two boxes. When the store refuses it, the row stays
// pending and the boxes keep their texts; the next Add first tries it again.
// A new row that the store refused before (a lock, a full disk) is still pending:
// it takes the boxes' texts and is posted again, so that the retry stores one row.
void TFrmManager::BitBtn1Click(QObject* /*sender*/) {
    if (m_connections.state() != DataTable::State::Inserting)
        m_connections.insert();
    m_connections.setFieldString(QStringLiteral("ConnectionName"), Edit1->text());
    m_connections.setFieldString(QStringLiteral("Description"), Edit2->text());
    m_connections.post();
    Edit1->clear();
    Edit2->clear();
}

void TFrmManager::Exit1Click(QObject* /*sender*/) {
    hide();
}

// Deletes the table's current row, the one the grid marks, after a question whose
// default answer is No. A pending new row is dropped instead.
void TFrmManager::DeleteConnection1Click(QObject* /*sender*/) {
    const unsigned flags = Mb::YESNO | Mb::ICONQUESTION | Mb::DEFBUTTON2;
    if (m_messages.show(this, DeleteQuestion, flags) == Id::YES)
        m_connections.remove();
}

#include "dialogs/addipset/addipset.h"

#include "store/datasource.h"
#include "store/datatable.h"
#include "widgets/accessiblenames.h"
#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/fonts.h"
#include "widgets/ipaddressedit.h"
#include "widgets/placed.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

constexpr int StatusBarHeight = 19;
constexpr int PanelHeight = 41;
constexpr int EntryX = 92;
constexpr int EntryWidth = 150;
constexpr int EntryHeight = 21;
// The room kept between the controls and the button panel, and right of the panel's
// last button.
constexpr int Gap = 8;
// Where the name field sits on the page: in the row of its label, in line with
// the address entries.
const QPoint NameFieldOnPage(EntryX, 5);

// A check box with its caption on the left and the box at the right end, the
// whole of it taking clicks.
class LeftTextCheckBox final : public QCheckBox {
public:
    LeftTextCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
        box.moveRight(rect().right());
        QStyleOptionButton boxOption = option;
        boxOption.rect = box;
        painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, boxOption);
        QStyleOptionButton labelOption = option;
        labelOption.rect = rect().adjusted(0, 0, -box.width() - 4, 0);
        painter.drawControl(QStyle::CE_CheckBoxLabel, labelOption);
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = style()
                             ->itemTextRect(fontMetrics(), labelOption.rect, Qt::AlignLeft | Qt::AlignVCenter,
                                            true, text())
                             .adjusted(-1, 0, 1, 0);
            painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

bool isPending(const DataTable* table) {
    return table != nullptr &&
           (table->state() == DataTable::State::Editing || table->state() == DataTable::State::Inserting);
}

} // namespace

TFrmAddNewIP::TFrmAddNewIP(QWidget* owner, DataTable& ipSets, DataSource& connectionsDs,
                           const ErrorReport& errors, std::function<void()> loadIPSetTree,
                           std::function<void()> checkIPSetTree)
    : QDialog(owner), m_errors(errors), m_loadIPSetTree(std::move(loadIPSetTree)),
      m_checkIPSetTree(std::move(checkIPSetTree)) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Add new IP Set"));
    setFont(Fonts::formFont(true));
    createControls(ipSets, connectionsDs);
    resize(ClientWidth, ClientHeight);
}

TFrmAddNewIP::~TFrmAddNewIP() = default;

void TFrmAddNewIP::createControls(DataTable& ipSets, DataSource& connectionsDs) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    StatusBar = new QStatusBar(this);
    StatusBar->setFixedHeight(StatusBarHeight);
    PageControl1 = new QTabWidget(this);
    TabSheet1 = new QWidget;
    PageControl1->addTab(TabSheet1, QStringLiteral("New IP Set"));
    layout->addWidget(PageControl1, 1);
    layout->addWidget(StatusBar);

    IPSetDs = new DataSource(&ipSets, this);
    IPSetDs->setAutoEdit(false);
    // A row left pending by a frame-closed editor is stored by the next settle; when
    // another program changed or removed that row meanwhile, the user hears of it here,
    // once, and the settling command goes on.
    ipSets.setRefusalReport(this, [errors = m_errors](const QString& text) { errors.show(text); });
    createPage();

    DBLookupComboBox1->setListField(QStringLiteral("ConnectionName"));
    DBLookupComboBox1->setKeyField(QStringLiteral("AutoIncField"));
    DBLookupComboBox1->setDataField(QStringLiteral("Connection"));
    DBLookupComboBox1->setErrorHandler([this](const std::exception& error) { m_errors.show(error); });
    DBLookupComboBox1->setListSource(&connectionsDs);
    DBLookupComboBox1->setDataSource(IPSetDs);

    // The name field belongs to the window itself and lies over the page.
    IPNAME = new DbEdit(this);
    IPNAME->resize(EntryWidth, EntryHeight);
    IPNAME->setDataField(QStringLiteral("IPSet_Name"));
    IPNAME->setDataSource(IPSetDs);
    TabSheet1->installEventFilter(this);
    PageControl1->installEventFilter(this);

    // Screen readers read each control by the caption of its label.
    const std::pair<QWidget*, QLabel*> labelled[] = {
        {IPNAME, Label4}, {IP, Label1},  {SUB, Label2},
        {GATE, Label3},   {DNS, Label5}, {DBLookupComboBox1, Label6},
    };
    for (const auto& [control, label] : labelled)
        AccessibleNames::nameAfter(control, label);

    connect(DHCPCheck, &QCheckBox::toggled, this, &TFrmAddNewIP::DHCPCheckClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TFrmAddNewIP::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFrmAddNewIP::BitBtn2Click);

    setTabOrder(IPNAME, IP);
    setTabOrder(IP, SUB);
    setTabOrder(SUB, GATE);
    setTabOrder(GATE, DNS);
    setTabOrder(DNS, DBLookupComboBox1);
    setTabOrder(DBLookupComboBox1, DHCPCheck);
    setTabOrder(DHCPCheck, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    IPNAME->setFocus();

    // The window cannot be made so small that the buttons cover a control or leave the page.
    TabSheet1->setMinimumSize(pageRoom());
}

// The page's room for every control at its place, with the button panel below them.
QSize TFrmAddNewIP::pageRoom() const {
    QRect controls(NameFieldOnPage, IPNAME->size());
    for (QWidget* control : TabSheet1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (control != Panel1)
            controls |= control->geometry();
    int buttonsRight = 0;
    for (const QPushButton* button : {BitBtn1, BitBtn2})
        buttonsRight = std::max(buttonsRight, button->geometry().right() + 1);
    const int width = std::max(controls.right() + 1, buttonsRight) + Gap;
    const int height = controls.bottom() + 1 + Gap + PanelHeight;
    return {width, height};
}

void TFrmAddNewIP::createPage() {
    Label4 = addLabel(QStringLiteral("IP Set Name:"), 8, 8);
    Label1 = addLabel(QStringLiteral("IP Address:"), 8, 32);
    IP = addAddressEntry(EntryX, 29);
    Label2 = addLabel(QStringLiteral("Subnet Mask:"), 8, 56);
    SUB = addAddressEntry(EntryX, 53);
    Label3 = addLabel(QStringLiteral("Def.Gateway:"), 8, 80);
    GATE = addAddressEntry(EntryX, 77);
    Label5 = addLabel(QStringLiteral("DNS:"), 8, 104);
    DNS = addAddressEntry(EntryX, 101);
    Label6 = addLabel(QStringLiteral("Connection :"), 8, 132);
    DBLookupComboBox1 = new DbLookupComboBox(TabSheet1);
    DBLookupComboBox1->setGeometry(EntryX, 128, 152, EntryHeight);

    DHCPCheck = new LeftTextCheckBox(QStringLiteral("DHCP Enabled"), TabSheet1);
    DHCPCheck->setGeometry(8, 184, 177, 17);

    Panel1 = new QFrame(TabSheet1);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    BitBtn1 = new QPushButton(QStringLiteral("Ok"), Panel1);
    BitBtn1->setGeometry(8, 8, 75, 25);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), Panel1);
    BitBtn2->setGeometry(192, 8, 75, 25);
    // Neither button is the default one: Enter in a field presses nothing.
    for (QPushButton* button : {BitBtn1, BitBtn2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

QLabel* TFrmAddNewIP::addLabel(const QString& caption, int x, int y) {
    auto* label = new QLabel(caption, TabSheet1);
    label->move(x, y);
    label->adjustSize();
    return label;
}

IpAddressEdit* TFrmAddNewIP::addAddressEntry(int x, int y) {
    auto* entry = new IpAddressEdit(TabSheet1);
    entry->setGeometry(x, y, EntryWidth, EntryHeight);
    entry->setText(QStringLiteral("0.0.0.0"));
    return entry;
}

// Centred over its owner by the dialog itself, then kept on the screen.
void TFrmAddNewIP::showEvent(QShowEvent* event) {
    const bool placedByDialog = !event->spontaneous() && !testAttribute(Qt::WA_Moved);
    QDialog::showEvent(event);
    if (placedByDialog) {
        placeOnScreen(this, pos());
        setAttribute(Qt::WA_Moved, false); // a place of the dialog's choosing, as before
    }
}

// The page's size follows the window; the button panel keeps to its bottom and the
// name field to its place over the page.
bool TFrmAddNewIP::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == TabSheet1 || watched == PageControl1) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move || event->type() == QEvent::Show)) {
        Panel1->setGeometry(0, TabSheet1->height() - PanelHeight, TabSheet1->width(), PanelHeight);
        placeOverPage();
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmAddNewIP::placeOverPage() {
    IPNAME->move(TabSheet1->mapTo(this, NameFieldOnPage));
    IPNAME->raise();
}

void TFrmAddNewIP::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && event->key() == Qt::Key_Escape) {
        // No Cancel button: Escape closes nothing.
        event->accept();
        return;
    }
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // Enter presses the button that has the focus, and nothing else.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFrmAddNewIP::BitBtn1Click() {
    m_errors.run([this] {
        DataTable* table = IPSetDs->table();
        if (isPending(table)) {
            if (m_checkIPSetTree)
                m_checkIPSetTree(); // the rebuild after the post must not fail
            table->setFieldString(QStringLiteral("IPSET_NAME"), IPNAME->text());
            table->setFieldString(QStringLiteral("IPADDRESS"), IP->text());
            table->setFieldString(QStringLiteral("SUBNETMASK"), SUB->text());
            table->setFieldString(QStringLiteral("GATEWAY"), GATE->text());
            table->setFieldString(QStringLiteral("DNS"), DNS->text());
            table->setFieldBoolean(QStringLiteral("DHCP"), DHCPCheck->isChecked());
            table->post();
        }
        if (m_loadIPSetTree)
            m_loadIPSetTree();
        accept();
    });
}

void TFrmAddNewIP::BitBtn2Click() {
    m_errors.run([this] {
        if (DataTable* table = IPSetDs->table())
            table->cancel();
        reject();
    });
}

void TFrmAddNewIP::DHCPCheckClick() {
    const bool addressesUsed = !DHCPCheck->isChecked();
    for (IpAddressEdit* entry : {IP, SUB, GATE, DNS})
        entry->setEnabled(addressesUsed);
}

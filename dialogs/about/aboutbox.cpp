#include "dialogs/about/aboutbox.h"

#include "dialogs/about/maker.h"
#include "resources/artwork.h"
#include "widgets/desktop.h"
#include "widgets/fonts.h"
#include "widgets/placed.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

constexpr int LabelGap = 4;

const QString Credits = QStringLiteral("Source Code has been used from :\n"
                                       "Qt 6 - www.qt.io (LGPL 3)\n"
                                       "SQLite - www.sqlite.org (public domain)\n"
                                       "Orvantis itself: MIT License (LICENSE)");

// A panel with two one-pixel bevels: the outer one lowered, the inner one raised.
class BevelPanel final : public QFrame {
public:
    explicit BevelPanel(QWidget* parent) : QFrame(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QPalette& colours = palette();
        const QRect outer = rect(); // right() and bottom() are the last pixels
        const QRect inner = outer.adjusted(1, 1, -1, -1);
        drawBevel(painter, outer, colours.color(QPalette::Dark), colours.color(QPalette::Light));
        drawBevel(painter, inner, colours.color(QPalette::Light), colours.color(QPalette::Dark));
    }

private:
    static void drawBevel(QPainter& painter, const QRect& r, const QColor& topLeft,
                          const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }
};

// What screen readers read for the two pictures; the banner's description is its
// tooltip, the web address that a click opens.
const QString IconName = QStringLiteral("Orvantis icon");
const QString BannerName = QStringLiteral("Banner of ") + Maker::Name;

bool isEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TAboutBox::TAboutBox(Desktop& desktop, QWidget* parent) : QDialog(parent), m_desktop(desktop) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Orvantis"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(Fonts::formFont(true));
    setFixedSize(ClientWidth, ClientHeight);
    createControls();
    centreOnScreen(this);
}

void TAboutBox::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && !m_placed) {
        m_placed = true;
        centreOnScreen(this); // again, now that the frame's size is known
    }
    QDialog::showEvent(event);
}

void TAboutBox::createControls() {
    Panel1 = new BevelPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 281, 321);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 120, 32, 32);
    ProgramIcon->setPixmap(QPixmap(Artwork::iconPath(32)));
    ProgramIcon->setAccessibleName(IconName);

    ProductName = addLabel(QStringLiteral("ProductName"), QStringLiteral("Product Name"), 88, 128);
    Version = addLabel(QStringLiteral("Version"), QStringLiteral("Version"), 88, 152);
    Copyright = addLabel(QStringLiteral("Copyright"), QString(), 0, 0);
    Copyright->hide();

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 332, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    Label1 = addLabel(QStringLiteral("Label1"), QStringLiteral("Orvantis"), 176, 128);
    Label2 = addLabel(QStringLiteral("Label2"), QStringLiteral("0.2"), 176, 152);
    Label3 = addLabel(QStringLiteral("Label3"), Maker::Name, 72, 168);
    Label4 = addLabel(QStringLiteral("Label4"), Maker::Mail, 160, 168);
    // A maker's name too long for the room before the address goes on over two lines.
    const int nameRoom = Label4->x() - Label3->x() - LabelGap;
    Label3->setWordWrap(true);
    Label3->resize(nameRoom, Label3->heightForWidth(nameRoom));
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->setToolTip(QStringLiteral("mailto:") + Maker::Mail);
    Label4->installEventFilter(this);
    Label5 = addLabel(QStringLiteral("Label5"), QString(), 0, 0);
    Label5->hide();
    Label6 = addLabel(QStringLiteral("Label6"), QString(), 0, 0);
    Label6->hide();

    Memo1 = new QPlainTextEdit(Credits, Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(2, 256, 277, 63);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    QPalette memoColours = Memo1->palette();
    memoColours.setColor(QPalette::Base, memoColours.color(QPalette::Window));
    Memo1->setPalette(memoColours);
    Memo1->installEventFilter(this);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 0, 265, 121);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap(Artwork::bannerPath()));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(Maker::Web);
    Image1->setAccessibleName(BannerName);
    Image1->installEventFilter(this);
}

QLabel* TAboutBox::addLabel(const QString& name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, Panel1);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize(); // the label is as large as its text
    return label;
}

void TAboutBox::Label4Click() {
    m_desktop.openUrl(QStringLiteral("mailto:") + Maker::Mail);
}

void TAboutBox::Image1Click() {
    m_desktop.openUrl(Maker::Web);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    // The box has no cancel button: Esc does not close it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 && event->type() == QEvent::KeyPress)
        return Memo1KeyPress(static_cast<QKeyEvent*>(event));
    if (watched == Label4 || watched == Image1)
        return handleLinkClick(static_cast<QLabel*>(watched), event);
    return QDialog::eventFilter(watched, event);
}

bool TAboutBox::Memo1KeyPress(const QKeyEvent* event) {
    if (isEnterKey(event->key()))
        return true;
    // Shortcuts (Ctrl+C to copy, Ctrl+V to paste...) go on to the read-only memo,
    // which copies but changes nothing.
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const QString typed = event->text();
    return !shortcut && !typed.isEmpty() && typed.at(0).isPrint();
}

bool TAboutBox::handleLinkClick(QLabel* link, const QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    // The press is taken too, so that the release comes back to the same label.
    if (event->type() == QEvent::MouseButtonRelease && link->rect().contains(mouse->position().toPoint())) {
        if (link == Label4)
            Label4Click();
        else
            Image1Click();
    }
    return true;
}

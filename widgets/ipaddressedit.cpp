#include "widgets/ipaddressedit.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStringList>
#include <QToolTip>

namespace {

constexpr int MaxOctet = 255;
constexpr int OctetDigits = 3;

// A stored part: missing or no number reads 0, a number above 255 reads 255.
int octetValue(const QString& part) {
    static const QRegularExpression number(QStringLiteral("^\\+?([0-9]+)$"));
    const QRegularExpressionMatch match = number.match(part.trimmed());
    if (!match.hasMatch())
        return 0;
    bool fits = false;
    const int value = match.captured(1).toInt(&fits);
    return !fits || value > MaxOctet ? MaxOctet : value;
}

// Digits that stand for more than an octet holds.
bool exceeds(const QString& digits) {
    bool fits = false;
    const int value = digits.toInt(&fits);
    return !digits.isEmpty() && (!fits || value > MaxOctet);
}

// A typed octet is full at three digits; a shorter one waits for "." (so that "26"
// can still become "260", which is refused, instead of moving its "0" on).
bool isFull(const QString& digits) {
    return digits.size() >= OctetDigits;
}

QString refusedText(const QString& digits) {
    return QStringLiteral("%1 is not a valid entry. Please specify a value between 0 and %2.")
        .arg(digits)
        .arg(MaxOctet);
}

bool isDigitKey(const QKeyEvent* key) {
    return key->text().size() == 1 && key->text().front().isDigit();
}

} // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(0);
    const auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int octet = 0; octet < OctetCount; ++octet) {
        if (octet > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setBackgroundRole(QPalette::Base);
            layout->addWidget(dot);
        }
        auto* edit = new QLineEdit(QStringLiteral("0"), this);
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMaxLength(OctetDigits);
        edit->setValidator(digits);
        edit->setTextMargins(0, 0, 0, 0);
        edit->setMinimumWidth(8);
        // Tab leaves the whole entry, as it does the Windows control: only the
        // first octet is in the tab chain, the others take focus by click or typing.
        edit->setFocusPolicy(octet == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, octet] { afterEdit(octet); });
        connect(edit, &QLineEdit::textChanged, this, [this] {
            if (!m_settingText)
                emit textChanged(address());
        });
        layout->addWidget(edit, 1);
        m_octets[static_cast<size_t>(octet)] = edit;
    }
    setFocusProxy(m_octets[0]);
    setFocusPolicy(Qt::StrongFocus);
}

QSize IpAddressEdit::sizeHint() const {
    return {150, 21};
}

QString IpAddressEdit::text() const {
    for (int octet = 0; octet < OctetCount; ++octet)
        showStoredNumber(octet);
    return address();
}

QString IpAddressEdit::address() const {
    QStringList parts;
    for (const QLineEdit* edit : m_octets)
        parts << QString::number(octetValue(edit->text()));
    return parts.join(QLatin1Char('.'));
}

QString IpAddressEdit::normalized(const QString& stored) {
    const QStringList parts = stored.split(QLatin1Char('.'));
    QStringList octets;
    for (int octet = 0; octet < OctetCount; ++octet)
        octets << QString::number(octet < parts.size() ? octetValue(parts[octet]) : 0);
    return octets.join(QLatin1Char('.'));
}

void IpAddressEdit::setText(const QString& stored) {
    const QStringList octets = normalized(stored).split(QLatin1Char('.'));
    const QString before = address();
    m_settingText = true;
    for (int octet = 0; octet < OctetCount; ++octet)
        m_octets[static_cast<size_t>(octet)]->setText(octets[octet]);
    m_settingText = false;
    if (address() != before)
        emit textChanged(address());
}

QString IpAddressEdit::octetText(int octet) const {
    return m_octets.at(static_cast<size_t>(octet))->text();
}

int IpAddressEdit::currentOctet() const {
    return m_current;
}

int IpAddressEdit::octetIndexOf(QObject* object) const {
    for (int octet = 0; octet < OctetCount; ++octet)
        if (m_octets[static_cast<size_t>(octet)] == object)
            return octet;
    return -1;
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int octet = octetIndexOf(watched);
    if (octet < 0)
        return QFrame::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        m_current = octet;
        // Entering an octet other than by a click selects it, so typing replaces it.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason)
            m_octets[static_cast<size_t>(octet)]->selectAll();
        break;
    case QEvent::FocusOut:
        showStoredNumber(octet);
        break;
    case QEvent::KeyPress:
        return handleKey(octet, static_cast<QKeyEvent*>(event));
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

// Answers true when the key has been dealt with here and the octet must not see it.
bool IpAddressEdit::handleKey(int octet, const QKeyEvent* key) {
    QLineEdit* edit = m_octets[static_cast<size_t>(octet)];
    const bool atStart = edit->cursorPosition() == 0 && !edit->hasSelectedText();
    const bool atEnd = edit->cursorPosition() == edit->text().size() && !edit->hasSelectedText();
    const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));

    const bool justAdvanced = m_advancedInto == octet;
    m_advancedInto = -1;
    if (key->matches(QKeySequence::Paste))
        return pasteAddress();
    if (plain && key->text() == QLatin1String(".")) {
        // A dot right after a full octet moved on is the one the user meant there.
        if (!justAdvanced && octet + 1 < OctetCount)
            focusOctet(octet + 1, true);
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Backspace:
        if (atStart && octet > 0) {
            QLineEdit* previous = m_octets[static_cast<size_t>(octet - 1)];
            focusOctet(octet - 1, false);
            if (!previous->text().isEmpty()) {
                previous->backspace();
                emit textEdited(address());
            }
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (atStart && octet > 0 && plain) {
            focusOctet(octet - 1, false);
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (atEnd && octet + 1 < OctetCount && plain) {
            focusOctet(octet + 1, false);
            m_octets[static_cast<size_t>(octet + 1)]->setCursorPosition(0);
            return true;
        }
        return false;
    default:
        break;
    }
    // Anything else that would type a character but a digit is dropped.
    return plain && !key->text().isEmpty() && key->text().front().isPrint() && !isDigitKey(key);
}

// A whole dotted address from the clipboard fills the entry; anything else is left
// to the octet. Answers whether the paste was taken here.
bool IpAddressEdit::pasteAddress() {
    static const QRegularExpression dotted(QStringLiteral("^[0-9]*(\\.[0-9]*){1,3}$"));
    const QString pasted = QApplication::clipboard()->text().trimmed();
    if (!dotted.match(pasted).hasMatch())
        return false;
    const QStringList parts = pasted.split(QLatin1Char('.'));
    const QString before = address();
    int refused = -1;
    m_settingText = true;
    for (int octet = 0; octet < OctetCount; ++octet) {
        const QString part = octet < parts.size() ? parts[octet] : QString();
        if (refused < 0 && exceeds(part))
            refused = octet;
        m_octets[static_cast<size_t>(octet)]->setText(QString::number(octetValue(part)));
    }
    m_settingText = false;
    if (address() != before)
        emit textChanged(address());
    emit textEdited(address());
    focusOctet(static_cast<int>(parts.size()) - 1, false);
    if (refused >= 0)
        refuseValue(refused, parts[refused]);
    return true;
}

void IpAddressEdit::afterEdit(int octet) {
    QLineEdit* edit = m_octets[static_cast<size_t>(octet)];
    if (exceeds(edit->text())) {
        // The octet shows what it holds, keeps the focus and takes no further digit.
        const QString typed = edit->text();
        edit->setText(QString::number(MaxOctet));
        emit textEdited(address());
        refuseValue(octet, typed);
        return;
    }
    emit textEdited(address());
    const bool atEnd = edit->cursorPosition() == edit->text().size();
    if (atEnd && !edit->text().isEmpty() && isFull(edit->text()) && octet + 1 < OctetCount) {
        focusOctet(octet + 1, true);
        m_advancedInto = octet + 1;
    }
}

void IpAddressEdit::focusOctet(int octet, bool selectAll) {
    QLineEdit* edit = m_octets[static_cast<size_t>(octet)];
    m_current = octet;
    edit->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        edit->selectAll();
    else
        edit->end(false);
}

// As the Windows control does, a beep; and a tooltip at the octet says what was refused.
void IpAddressEdit::refuseValue(int octet, const QString& typed) {
    QLineEdit* edit = m_octets[static_cast<size_t>(octet)];
    QApplication::beep();
    QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), refusedText(typed), edit);
}

// The octet shows the number that it gives: "007" shows "7", a blank octet "0". The
// address does not change, so no signal goes out.
void IpAddressEdit::showStoredNumber(int octet) const {
    QLineEdit* edit = m_octets[static_cast<size_t>(octet)];
    const QString number = QString::number(octetValue(edit->text()));
    if (edit->text() == number)
        return;
    m_settingText = true;
    edit->setText(number);
    m_settingText = false;
}

#include "widgets/ipaddressedit.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStringList>

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

// A typed octet that cannot take another digit without passing 255 is full.
bool isFull(const QString& digits) {
    return digits.size() >= OctetDigits || digits.toInt() * 10 > MaxOctet;
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
                emit textChanged(text());
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
    const QString before = text();
    m_settingText = true;
    for (int octet = 0; octet < OctetCount; ++octet)
        m_octets[static_cast<size_t>(octet)]->setText(octets[octet]);
    m_settingText = false;
    if (text() != before)
        emit textChanged(text());
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
        normalizeOctet(octet);
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
                emit textEdited(text());
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

void IpAddressEdit::afterEdit(int octet) {
    QLineEdit* edit = m_octets[static_cast<size_t>(octet)];
    if (edit->text().toInt() > MaxOctet)
        edit->setText(QString::number(MaxOctet));
    emit textEdited(text());
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

// Leading zeros go when the octet is left ("007" shows "7"); a blank octet stays blank.
void IpAddressEdit::normalizeOctet(int octet) {
    QLineEdit* edit = m_octets[static_cast<size_t>(octet)];
    if (!edit->text().isEmpty())
        edit->setText(QString::number(octetValue(edit->text())));
}

#include "store/valuerules.h"

#include "store/storeerror.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace ValueRules {

FieldType fieldType(const QString& name, const QString& declaredType, bool isPrimaryKey) {
    FieldType field;
    field.name = name;
    field.declaredType = declaredType;
    const QString type = declaredType.toUpper();
    field.isBoolean = type.contains(QLatin1String("BOOL"));
    field.isInteger = !field.isBoolean && type.contains(QLatin1String("INT"));
    field.isText = !field.isBoolean && !field.isInteger &&
                   (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
                    type.contains(QLatin1String("TEXT")) || type.isEmpty());
    field.width = field.isText ? declaredWidth(type) : 0;
    field.isKey = isPrimaryKey && type.trimmed() == QLatin1String("INTEGER");
    return field;
}

int fieldPosition(const QVector<FieldType>& fields, const QString& name) {
    for (int field = 0; field < fields.size(); ++field)
        if (fields[field].name.compare(name, Qt::CaseInsensitive) == 0)
            return field;
    return -1;
}

bool noValue(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return true;
    if (value.typeId() == QMetaType::QString)
        return value.toString().isNull();
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().isNull();
    return false;
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

QString plainText(const QVariant& value) {
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

bool booleanOf(const QVariant& value) {
    if (noValue(value))
        return false;
    if (isNumber(value))
        return value.toDouble() != 0.0;
    const QString text = plainText(value).trimmed();
    bool numeric = false;
    const double number = text.toDouble(&numeric);
    if (numeric)
        return number != 0.0;
    return text.startsWith(QLatin1Char('T'), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive);
}

std::optional<qint64> wholeNumberOf(const QVariant& value) {
    if (value.typeId() == QMetaType::Double) {
        const double number = value.toDouble();
        if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 9.2e18)
            return static_cast<qint64>(number);
        return std::nullopt;
    }
    if (isNumber(value))
        return value.toLongLong();
    bool ok = false;
    const qint64 number = plainText(value).trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

int declaredWidth(const QString& type) {
    const qsizetype open = type.indexOf(QLatin1Char('('));
    if (open < 0)
        return 0;
    static const QRegularExpression widthEnd(QStringLiteral("[,)]"));
    const qsizetype end = type.indexOf(widthEnd, open);
    if (end < 0)
        return 0;
    bool ok = false;
    const int width = type.mid(open + 1, end - open - 1).trimmed().toInt(&ok);
    return ok && width > 0 ? width : 0;
}

QString cutToWidth(const QString& text, int width) {
    if (width <= 0)
        return text;
    qsizetype end = 0;
    for (int count = 0; count < width && end < text.size(); ++count) {
        const bool pair =
            text.at(end).isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

namespace {

QString booleanWord(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

QString textOf(const FieldType& field, const QVariant& value) {
    if (noValue(value))
        return QString();
    if (field.isBoolean)
        return booleanWord(booleanOf(value));
    return plainText(value);
}

int integerOf(const FieldType& field, const QVariant& value) {
    if (noValue(value) || (value.typeId() == QMetaType::QString && value.toString().isEmpty()))
        return 0; // an empty text holds no number either
    if (field.isBoolean)
        return booleanOf(value) ? 1 : 0;
    const std::optional<qint64> number = wholeNumberOf(value);
    if (number && *number >= std::numeric_limits<int>::min() && *number <= std::numeric_limits<int>::max())
        return static_cast<int>(*number);
    if (field.isInteger)
        return 0; // a damaged file (another tool wrote 'abc'): the field holds no integer
    throw StoreError(QStringLiteral("'%1' is not a valid integer value").arg(textOf(field, value)));
}

QVariant storedText(const FieldType& field, const QString& text) {
    if (field.isText || (!field.isBoolean && !field.isInteger))
        return QVariant(text.isNull() ? QStringLiteral("") : cutToWidth(text, field.width));
    const QString word = text.trimmed();
    if (word.isEmpty())
        return {};
    if (field.isBoolean) {
        if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return QVariant(qint64(1));
        if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return QVariant(qint64(0));
        throw StoreError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
    }
    bool ok = false;
    const qint64 number = word.toLongLong(&ok);
    if (!ok)
        throw StoreError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return QVariant(number);
}

QVariant storedBoolean(const FieldType& field, bool value) {
    if (field.isText)
        return cutToWidth(booleanWord(value), field.width);
    return QVariant(qint64(value ? 1 : 0));
}

QVariant storedInteger(const FieldType& field, int value) {
    if (field.isText)
        return cutToWidth(QString::number(value), field.width);
    if (field.isBoolean)
        return QVariant(qint64(value != 0 ? 1 : 0));
    return QVariant(qint64(value));
}

bool differs(const QVariant& a, const QVariant& b) {
    return a != b || noValue(a) != noValue(b);
}

LocateMatch::LocateMatch(const FieldType& field, const QVariant& wanted, bool caseInsensitive, bool partial)
    : m_isBoolean(field.isBoolean), m_wantsNoValue(noValue(wanted)), m_partial(partial),
      m_sensitivity(caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive),
      m_wantedText(plainText(wanted)), m_wantedBoolean(booleanOf(wanted)),
      m_wantedNumber(wholeNumberOf(wanted)), m_wantedReal(m_wantedText.trimmed().toDouble(&m_wantedIsReal)) {}

bool LocateMatch::operator()(const QVariant& have) const {
    if (m_wantsNoValue || noValue(have))
        return m_wantsNoValue && noValue(have);
    if (m_partial) {
        const QString haveText = m_isBoolean ? booleanWord(booleanOf(have)) : plainText(have);
        return haveText.startsWith(m_wantedText, m_sensitivity);
    }
    if (m_isBoolean)
        return booleanOf(have) == m_wantedBoolean;
    if (isNumber(have)) {
        const std::optional<qint64> haveNumber = wholeNumberOf(have);
        if (haveNumber && m_wantedNumber)
            return *haveNumber == *m_wantedNumber;
        return m_wantedIsReal && m_wantedReal == have.toDouble();
    }
    return plainText(have).compare(m_wantedText, m_sensitivity) == 0;
}

} // namespace ValueRules

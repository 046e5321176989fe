#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <optional>

// The rules by which values cross the table objects' interface: what counts as no
// value, how a field reads as text, boolean or integer, how a written text fits its
// field, and when a locate finds a row. Pure functions of their arguments: no
// database, no state.
namespace ValueRules {

// A field as the table declares it.
struct FieldType {
    QString name;
    QString declaredType;
    int width = 0;          // the number in VARCHAR(15); 0 for none
    bool isBoolean = false; // a declared type with BOOL
    bool isInteger = false; // integer affinity: a text written is stored as a number
    bool isText = false;
    bool isKey = false; // INTEGER PRIMARY KEY: the rowid itself
};

// The field's type from its declaration, as SQLite's affinity rules read it. A primary key
// declared INTEGER is the key (when it is the only column of the primary key).
FieldType fieldType(const QString& name, const QString& declaredType, bool isPrimaryKey);

// The position of the field with that name, letter case ignored; -1 when there is none.
int fieldPosition(const QVector<FieldType>& fields, const QString& name);

// No value: invalid, null, or a null text or byte array (which Qt binds as NULL).
bool noValue(const QVariant& value);
bool isNumber(const QVariant& value);
// A text or blob as text; anything else as QVariant::toString gives it.
QString plainText(const QVariant& value);
// No value is false; a number is true when not 0; a text is true when it is a number
// other than 0 or begins with T or Y.
bool booleanOf(const QVariant& value);
// The whole number a value holds, if it holds one.
std::optional<qint64> wholeNumberOf(const QVariant& value);

// The width in a declared type such as VARCHAR(15); 0 when there is none.
int declaredWidth(const QString& type);
// At most width characters (a surrogate pair counts as one and is never split); all
// of it for a width of 0.
QString cutToWidth(const QString& text, int width);

// Reading: no value reads "" (and a boolean field "True" or "False").
QString textOf(const FieldType& field, const QVariant& value);
// No value and an empty text read 0; a boolean field 1 or 0; an integer field that
// holds no 32-bit whole number (a damaged file) reads 0. Throws "'%s' is not a valid
// integer value" for a text field that holds no such number.
int integerOf(const FieldType& field, const QVariant& value);

// Writing: what the field stores for a text (cut to a text field's width; a number
// for an integer field, 1 or 0 for a boolean field, no value for an empty text in
// either; throws for a text that is neither), for a boolean and for an integer.
QVariant storedText(const FieldType& field, const QString& text);
QVariant storedBoolean(const FieldType& field, bool value);
QVariant storedInteger(const FieldType& field, int value);

// Do two values of a field differ, a null and an empty one included?
bool differs(const QVariant& a, const QVariant& b);

// Locating: does a field's value match the wanted one? Whole values, or (partial)
// the field's text begins with the wanted text; texts with or without regard to
// letter case; numbers as numbers, booleans as booleans; no value matches no value.
class LocateMatch {
public:
    LocateMatch(const FieldType& field, const QVariant& wanted, bool caseInsensitive, bool partial);
    bool operator()(const QVariant& have) const;

private:
    bool m_isBoolean;
    bool m_wantsNoValue;
    bool m_partial;
    Qt::CaseSensitivity m_sensitivity;
    QString m_wantedText;
    bool m_wantedBoolean;
    std::optional<qint64> m_wantedNumber;
    bool m_wantedIsReal = false;
    double m_wantedReal;
};

} // namespace ValueRules

#pragma once

#include <QString>
#include <QVector>
#include <utility>

// What bound controls hand to a pending row when it is settled or posted. A
// control's handler of DataTable::updatingRecord only records its value here and
// cannot fail; the table writes the values after every handler has run, so that an
// error of the store (a text that a numeric field refuses) never passes through Qt's
// signal machinery.
class RecordHandOver {
public:
    struct Value {
        QString field;
        QString text;
    };

    void setString(QString field, QString text) noexcept {
        m_values.append({std::move(field), std::move(text)});
    }
    const QVector<Value>& values() const noexcept { return m_values; }

private:
    QVector<Value> m_values;
};

#pragma once

#include "store/datasource.h"
#include "store/datatable.h"
#include "store/storeerror.h"

#include <QObject>
#include <QString>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// The text of the StoreError that f throws, or a marker when it throws none.
template <typename F> QString errorOf(F&& f) {
    try {
        f();
    } catch (const StoreError& error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

// Stands in for a data-aware edit bound to one field: it shows the field of the
// current row, takes typed text only when the data source lets it, and hands a
// changed text to the pending row when the table asks for it.
class FakeBoundEdit : public QObject {
public:
    FakeBoundEdit(DataSource& source, const QString& field) : m_source(source), m_field(field) {
        connect(&source, &DataSource::updatingRecord, this, [this] {
            if (!m_changed)
                return;
            m_changed = false;
            m_source.table()->setFieldString(m_field, m_text);
        });
        connect(&source, &DataSource::dataChanged, this, [this] {
            if (!m_changed)
                reload();
        });
        connect(&source, &DataSource::stateChanged, this, [this] {
            const DataTable* table = m_source.table();
            if (table && table->state() != DataTable::State::Editing &&
                table->state() != DataTable::State::Inserting) {
                m_changed = false; // posted or cancelled: show the row as it is
                reload();
            }
        });
    }

    bool type(const QString& text) {
        if (!m_source.beginUserEdit())
            return false;
        m_text = text;
        m_changed = true;
        return true;
    }
    QString text() const { return m_text; }

private:
    void reload() {
        const DataTable* table = m_source.table();
        m_text = table && table->isOpen() ? table->fieldAsString(m_field) : QString();
    }

    DataSource& m_source;
    QString m_field;
    QString m_text;
    bool m_changed = false;
};

#pragma once

#include "store/datasource.h"
#include "store/datatable.h"
#include "store/storeerror.h"
#include "tests/fixtures/qstringprint.h"
#include "widgets/dbedit.h"

#include <QString>
#include <QTest>
#include <gtest/gtest.h>

// The text of the StoreError that f throws, or a marker when it throws none.
template <typename F> QString errorOf(F&& f) {
    try {
        f();
    } catch (const StoreError& error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

// Types text into a data-aware edit as the user would: everything selected, then
// the keys. Answers whether the edit took it (a read-only edit takes nothing).
inline bool typeInto(DbEdit& edit, const QString& text) {
    edit.selectAll();
    QTest::keyClicks(&edit, text);
    return edit.text() == text && edit.isModified();
}

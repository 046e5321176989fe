#include "widgets/dblookupcombobox.h"

#include "store/datasource.h"
#include "store/datatable.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>

namespace {

qint64 steadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The field's position, or -1 when the table is closed or has no such field.
int findField(const DataTable* table, const QString& name) {
    return table == nullptr || name.isEmpty() ? -1 : table->findField(name);
}

bool isAltUpDown(const QKeyEvent* key) {
    return (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && (key->modifiers() & Qt::AltModifier);
}

} // namespace

DbLookupComboBox::DbLookupComboBox(QWidget* parent) : QComboBox(parent), m_clock(steadyMilliseconds) {
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
    view()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this](int row) {
        if (!m_updating)
            chooseRow(row);
    });
}

DbLookupComboBox::~DbLookupComboBox() {
    for (const auto& connection : m_listConnections)
        disconnect(connection);
    for (const auto& connection : m_dataConnections)
        disconnect(connection);
}

void DbLookupComboBox::setListSource(DataSource* source) {
    m_listSource = source;
    bindListTable();
    showDataValue();
}

void DbLookupComboBox::setListField(const QString& field) {
    m_listField = field;
    reloadList();
    showDataValue();
}

void DbLookupComboBox::setKeyField(const QString& field) {
    m_keyField = field;
    reloadList();
    showDataValue();
}

void DbLookupComboBox::setDataSource(DataSource* source) {
    m_dataSource = source;
    bindDataSource();
}

void DbLookupComboBox::setDataField(const QString& field) {
    m_dataField = field;
    showDataValue();
}

DataSource* DbLookupComboBox::listSource() const {
    return m_listSource;
}

DataSource* DbLookupComboBox::dataSource() const {
    return m_dataSource;
}

void DbLookupComboBox::setClock(Clock clock) {
    m_clock = std::move(clock);
}

void DbLookupComboBox::setErrorHandler(std::function<void(const std::exception&)> handler) {
    m_errorHandler = std::move(handler);
}

QString DbLookupComboBox::searchText() const {
    return m_searchText;
}

int DbLookupComboBox::shownKey() const {
    return currentIndex() < 0 ? 0 : keyAt(currentIndex());
}

DataTable* DbLookupComboBox::listTable() const {
    return m_listSource ? m_listSource->table() : nullptr;
}

DataTable* DbLookupComboBox::dataTable() const {
    return m_dataSource ? m_dataSource->table() : nullptr;
}

bool DbLookupComboBox::canModify() const {
    return m_dataSource && findField(dataTable(), m_dataField) >= 0 && m_dataSource->canModify();
}

void DbLookupComboBox::bindListTable() {
    for (const auto& connection : m_listConnections)
        disconnect(connection);
    if (m_listSource) {
        m_listConnections[0] =
            connect(m_listSource, &DataSource::tableChanged, this, &DbLookupComboBox::bindListTable);
        if (DataTable* table = listTable()) {
            const auto reload = [this] { reloadList(); };
            m_listConnections[1] = connect(table, &DataTable::rowsReset, this, reload);
            m_listConnections[2] = connect(table, &DataTable::rowInserted, this, reload);
            m_listConnections[3] = connect(table, &DataTable::rowRemoved, this, reload);
            m_listConnections[4] = connect(table, &DataTable::rowChanged, this, reload);
        }
    }
    reloadList();
}

void DbLookupComboBox::bindDataSource() {
    for (const auto& connection : m_dataConnections)
        disconnect(connection);
    if (m_dataSource) {
        const auto reshow = [this] { showDataValue(); };
        m_dataConnections[0] = connect(m_dataSource, &DataSource::dataChanged, this, reshow);
        m_dataConnections[1] = connect(m_dataSource, &DataSource::stateChanged, this, reshow);
        m_dataConnections[2] = connect(m_dataSource, &DataSource::tableChanged, this, reshow);
        m_dataConnections[3] = connect(m_dataSource, &QObject::destroyed, this, reshow);
    }
    showDataValue();
}

int DbLookupComboBox::keyAt(int row) const {
    return itemData(row).toInt();
}

// Rows of the list table came or went: the entries are built again, and the entry
// shown stays the one with the same key. No locate here: settling the list table's
// pending row would undo the very insert that brought us here.
void DbLookupComboBox::reloadList() {
    const QScopedValueRollback updating(m_updating, true);
    const int shown = currentIndex() < 0 ? NoKey : keyAt(currentIndex());
    clear();
    const DataTable* table = listTable();
    const int nameField = findField(table, m_listField);
    const int keyField = findField(table, m_keyField);
    if (nameField >= 0 && keyField >= 0) {
        for (int row = 0; row < table->recordCount(); ++row)
            addItem(table->textAt(row, nameField), table->valueAt(row, keyField).toInt());
    }
    setCurrentIndex(shown == NoKey ? -1 : findData(shown));
}

// Shows the list entry whose key the pending row's data field holds, or nothing.
// While the list is on screen, finding it is a locate on the list table, which
// moves that table's cursor to the connection shown.
void DbLookupComboBox::showDataValue() {
    if (m_updating)
        return;
    const QScopedValueRollback updating(m_updating, true);
    int shown = -1;
    try {
        const DataTable* data = dataTable();
        DataTable* list = listTable();
        if (findField(data, m_dataField) >= 0 && !data->fieldIsNull(m_dataField) &&
            findField(list, m_keyField) >= 0) {
            const int key = data->fieldAsInteger(m_dataField);
            if (!isVisible() || list->locate(m_keyField, key, DataTable::CaseInsensitive))
                shown = findData(key);
        }
    } catch (const std::exception& error) {
        if (m_errorHandler)
            m_errorHandler(error);
    }
    setCurrentIndex(shown);
}

void DbLookupComboBox::showEvent(QShowEvent* event) {
    QComboBox::showEvent(event);
    showDataValue();
}

void DbLookupComboBox::keyPressEvent(QKeyEvent* event) {
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (isAltUpDown(event) || event->key() == Qt::Key_F4) {
        if (isListVisible())
            hidePopup();
        else
            showPopup();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (plain)
            stepSelection(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    case Qt::Key_Backspace:
    case Qt::Key_Escape:
        m_searchText.clear();
        return;
    default:
        break;
    }
    if (plain && !event->text().isEmpty() && event->text().front().isPrint()) {
        for (const QChar typed : event->text())
            processSearchKey(QString(typed));
        return;
    }
    // No free text and no other way to move: everything else belongs to the window.
    event->ignore();
}

void DbLookupComboBox::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

bool DbLookupComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::KeyPress &&
        isAltUpDown(static_cast<QKeyEvent*>(event))) {
        hidePopup();
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

// The list's own window says whether it is open: it may also close without
// hidePopup(), as when another window takes the focus.
bool DbLookupComboBox::isListVisible() const {
    return view()->isVisible();
}

void DbLookupComboBox::processSearchKey(const QString& typed) {
    DataTable* list = listTable();
    if (!canModify() || findField(list, m_listField) < 0 || findField(list, m_keyField) < 0)
        return;
    const qint64 now = m_clock();
    if (now - m_lastSearchKey > SearchResetMs)
        m_searchText.clear();
    m_lastSearchKey = now;
    if (m_searchText.size() >= MaxSearchLength)
        return;
    const QString search = m_searchText + typed;
    try {
        if (!list->locate(m_listField, search, DataTable::CaseInsensitive | DataTable::PartialKey))
            return;
        m_searchText = search;
        selectKeyValue(list->fieldAsInteger(m_keyField));
    } catch (const std::exception& error) {
        if (m_errorHandler)
            m_errorHandler(error);
    }
}

void DbLookupComboBox::stepSelection(int delta) {
    if (!canModify() || count() == 0)
        return;
    const int current = currentIndex();
    const int row = current < 0 ? 0 : std::clamp(current + delta, 0, count() - 1);
    chooseRow(row);
}

void DbLookupComboBox::chooseRow(int row) {
    if (row >= 0 && row < count())
        selectKeyValue(keyAt(row));
}

// Writes a key into the data field of the pending row, at once.
void DbLookupComboBox::selectKeyValue(int key) {
    try {
        if (canModify() && m_dataSource->beginUserEdit())
            dataTable()->setFieldInteger(m_dataField, key);
    } catch (const std::exception& error) {
        if (m_errorHandler)
            m_errorHandler(error);
    }
    showDataValue();
}

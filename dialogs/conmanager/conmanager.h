#pragma once

#include "widgets/errorreport.h"

#include <QMainWindow>
#include <QStringList>

class DataSource;
class DataTable;
class DbGrid;
class MessageBoxes;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

// The connection manager: the window in which the user keeps the Connections
// table. A grid lists every connection (the table's current row marked), two edit
// boxes and "Add" add one, and the grid's popup menu deletes the current one after
// a question. It works directly on the main window's table object and data source.
//
// Created hidden at start-up and kept for the whole run: Exit (Ctrl+Q) and the
// window frame only hide it, and the edit boxes keep their texts between showings.
// The main window lends it the commands whose keys act here too (addAction); they
// keep their keys while this window is active, also with the cursor in one of its
// edit boxes.
class TFrmManager : public QMainWindow {
    Q_OBJECT
public:
    // The outer size of the window; the client area below the menu bar, as the
    // controls are laid out in it.
    static constexpr int OuterWidth = 417;
    static constexpr int OuterHeight = 451;
    static constexpr int ClientWidth = 409;
    static constexpr int ClientHeight = 397;

    // The note above the edit boxes, line by line.
    static const QStringList NoteLines;
    static const QString DeleteQuestion;

    TFrmManager(DataTable& connections, DataSource& connectionsDs, MessageBoxes& messages,
                QWidget* parent = nullptr);
    ~TFrmManager() override;

    // Controls, in declaration order.
    QStatusBar* StatusBar = nullptr;
    QMenuBar* AdvMainMenu1 = nullptr;
    QMenu* File1 = nullptr;
    QAction* Exit1 = nullptr;
    QFrame* TabControl1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    DbGrid* DBAdvGrid1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QMenu* AdvPopupMenu1 = nullptr;
    QAction* DeleteConnection1 = nullptr;

public slots:
    void BitBtn1Click(QObject* sender);
    void Exit1Click(QObject* sender);
    void DeleteConnection1Click(QObject* sender);

public:
    // Run for each character typed into the note; it replaces the character by none.
    void Memo1KeyPress(QObject* sender, QChar& key);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenus();
    void createGrid();
    bool discardTypedCharacters(QKeyEvent* event);

    DataTable& m_connections;
    DataSource& m_connectionsDs;
    MessageBoxes& m_messages;
    ErrorReport m_errorReport;
    bool m_placed = false;
};

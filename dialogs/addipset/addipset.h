#pragma once

#include "widgets/errorreport.h"

#include <QDialog>
#include <functional>

class DataSource;
class DataTable;
class DbEdit;
class DbLookupComboBox;
class IpAddressEdit;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QWidget;

// The IP set editor. It works on the pending row of the IP sets table: the Add
// command inserts a row before showing it, the Edit command puts the current row
// into editing and copies its address fields and DHCP flag into the entries. The
// name field and the connection list are bound to the pending row; the address
// entries and the DHCP box reach it only through Ok. Ok posts, Cancel cancels;
// closing by the frame does neither and leaves the row pending for the next settle.
//
// Another copy of the program may change or delete the same set meanwhile. Ok then
// reports it and keeps the window open with the user's values, over the set as now
// stored: Ok again stores them over that change, Cancel keeps it. A frame-closed row
// that the next settle finds so is reported by the newest editor (see
// DataTable::setRefusalReport), and the table shows the set as stored.
class TFrmAddNewIP : public QDialog {
    Q_OBJECT
public:
    // Outer size of the window, frame included, and the client area that stands for
    // it (a sizeable frame of 4 pixels and a title bar of 19).
    static constexpr int OuterWidth = 294;
    static constexpr int OuterHeight = 333;
    static constexpr int ClientWidth = OuterWidth - 8;
    static constexpr int ClientHeight = OuterHeight - 27;

    // ipSets: the IP sets table (IPSetT); connectionsDs: the data source over the
    // connections table (ConnectionsDs); loadIPSetTree: the main window's tree rebuild;
    // checkIPSetTree: throws what that rebuild would throw for want of a table or field.
    TFrmAddNewIP(QWidget* owner, DataTable& ipSets, DataSource& connectionsDs, const ErrorReport& errors,
                 std::function<void()> loadIPSetTree, std::function<void()> checkIPSetTree = {});
    ~TFrmAddNewIP() override;

    // The controls, in the order the window declares them.
    QStatusBar* StatusBar = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    IpAddressEdit* IP = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    IpAddressEdit* SUB = nullptr;
    QLabel* Label3 = nullptr;
    IpAddressEdit* GATE = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    DataSource* IPSetDs = nullptr;
    QLabel* Label4 = nullptr;
    DbEdit* IPNAME = nullptr;
    QLabel* Label5 = nullptr;
    IpAddressEdit* DNS = nullptr;
    QCheckBox* DHCPCheck = nullptr;
    DbLookupComboBox* DBLookupComboBox1 = nullptr;
    QLabel* Label6 = nullptr;

    // Ok: writes the name, the four addresses and the DHCP flag into the pending row
    // and posts it, rebuilds the tree, closes. An error is reported and the window
    // stays open with the row pending; a tree that could not be rebuilt is found
    // before anything is written, so that Ok stores nothing then.
    void BitBtn1Click();
    // Cancel: cancels the pending row and closes; the tree is not rebuilt.
    void BitBtn2Click();
    // The DHCP box changed state: checked disables the four address entries.
    void DHCPCheckClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(DataTable& ipSets, DataSource& connectionsDs);
    void createPage();
    QLabel* addLabel(const QString& caption, int x, int y);
    IpAddressEdit* addAddressEntry(int x, int y);
    void placeOverPage();
    QSize pageRoom() const;

    ErrorReport m_errors;
    std::function<void()> m_loadIPSetTree;
    std::function<void()> m_checkIPSetTree;
};

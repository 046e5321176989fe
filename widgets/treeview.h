#pragma once

#include <QPoint>
#include <QTreeWidget>

// A tree that behaves like the platform's tree control:
// - clicked() after every left click, on a node or on empty space (the selection is
//   already in place then); clicking empty space keeps the selection;
// - a right-click on a node selects it and reports clicked() before the context
//   menu opens; a right-click on empty space leaves the selection as it is;
// - contextMenuWanted() for a right-click and for the keyboard (menu key, Shift+F10).
// Node texts cannot be edited in place. The selected node is selectedNode().
class TreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TreeView(QWidget* parent = nullptr);

    QTreeWidgetItem* selectedNode() const;
    void selectNode(QTreeWidgetItem* node);

signals:
    void clicked();
    void contextMenuWanted(const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_leftPressed = false;
};

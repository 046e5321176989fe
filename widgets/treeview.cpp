#include "widgets/treeview.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

TreeView::TreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setUniformRowHeights(true);
}

QTreeWidgetItem* TreeView::selectedNode() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TreeView::selectNode(QTreeWidgetItem* node) {
    if (node)
        setCurrentItem(node, 0, QItemSelectionModel::ClearAndSelect);
}

void TreeView::mousePressEvent(QMouseEvent* event) {
    QTreeWidgetItem* node = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    if (!node) {
        // Empty space: the platform's tree keeps its selection.
        setFocus(Qt::MouseFocusReason);
        return;
    }
    if (event->button() == Qt::RightButton) {
        selectNode(node);
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void TreeView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_leftPressed) {
        m_leftPressed = false;
        emit clicked();
    }
}

void TreeView::contextMenuEvent(QContextMenuEvent* event) {
    QPoint globalPos = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        if (QTreeWidgetItem* node = itemAt(event->pos())) {
            selectNode(node);
            emit clicked();
        }
    } else if (QTreeWidgetItem* node = selectedNode()) {
        globalPos = viewport()->mapToGlobal(visualItemRect(node).center());
    }
    emit contextMenuWanted(globalPos);
}

void TreeView::keyPressEvent(QKeyEvent* event) {
    const bool menuKey = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (!menuKey && !shiftF10) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    // The keyboard's way to the context menu: it concerns the selected node.
    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
    contextMenuEvent(&keyboard);
    event->accept();
}

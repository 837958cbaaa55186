#include "platform/framework/CSplitterWnd.h"

#include "platform/framework/CView.h"
#include "platform/framework/FrameworkIds.h"

#include <QList>
#include <QMainWindow>

bool CSplitterWnd::CreateStatic(QWidget* parent, int rows, int columns) {
    if (parent == nullptr || (rows != 1 && columns != 1)) {
        return false;
    }
    setOrientation(rows > 1 ? Qt::Vertical : Qt::Horizontal);
    setChildrenCollapsible(false);
    if (auto* outer = dynamic_cast<CSplitterWnd*>(parent)) {
        outer->AddPane(this, QSize());
    } else if (auto* frame = dynamic_cast<QMainWindow*>(parent)) {
        frame->setCentralWidget(this);
    } else {
        setParent(parent);
    }
    return true;
}

bool CSplitterWnd::CreateView(int row, int column, CView* view, QSize initialSize) {
    if (view == nullptr || PaneIndex(row, column) != count()) {
        return false;
    }
    AddPane(&view->GetViewWindow(), initialSize);
    return view->OnCreate() != -1;
}

void CSplitterWnd::AddPane(QWidget* pane, QSize initialSize) {
    const int extent = orientation() == Qt::Vertical ? initialSize.height() : initialSize.width();
    addWidget(pane);
    m_panes.push_back({extent, 0});
    // Only the last pane grows with the splitter.
    for (int i = 0; i < count(); ++i) {
        setStretchFactor(i, i + 1 == count() ? 1 : 0);
    }
}

void CSplitterWnd::SetRowInfo(int row, int ideal, int minimum) {
    SetPaneInfo(row, ideal, minimum);
}

void CSplitterWnd::SetColumnInfo(int column, int ideal, int minimum) {
    SetPaneInfo(column, ideal, minimum);
}

void CSplitterWnd::SetPaneInfo(int index, int ideal, int minimum) {
    if (index < 0 || index >= static_cast<int>(m_panes.size())) {
        return;
    }
    m_panes[static_cast<std::size_t>(index)] = {ideal, minimum};
    QWidget* pane = widget(index);
    if (orientation() == Qt::Vertical) {
        pane->setMinimumHeight(minimum);
    } else {
        pane->setMinimumWidth(minimum);
    }
}

void CSplitterWnd::RecalcLayout() {
    if (count() == 0) {
        return;
    }
    const int total =
        (orientation() == Qt::Vertical ? height() : width()) - handleWidth() * (count() - 1);
    QList<int> sizes;
    int used = 0;
    for (int i = 0; i + 1 < count(); ++i) {
        sizes << m_panes[static_cast<std::size_t>(i)].ideal;
        used += sizes.back();
    }
    sizes << std::max(0, total - used);
    if (sizes != this->sizes()) {
        setSizes(sizes);
    }
}

void CSplitterWnd::showEvent(QShowEvent* event) {
    QSplitter::showEvent(event);
    RecalcLayout();
}

#pragma once

// A static splitter: a fixed grid of panes in one row or one column, made in order. Every
// pane but the last keeps its ideal size when the splitter is resized; the last takes the
// rest. The bars can be dragged, but not past a pane's minimum size.

#include "platform/WinTypes.h"

#include <QSize>
#include <QSplitter>

#include <vector>

class CView;

class CSplitterWnd : public QSplitter {
public:
    CSplitterWnd() = default;

    // Lays the splitter out in `rows` x `columns` panes (one of them 1) inside `parent`.
    bool CreateStatic(QWidget* parent, int rows, int columns);
    // Adds the view as the next pane, with its initial size, and runs its creation; false
    // when that fails.
    bool CreateView(int row, int column, CView* view, QSize initialSize);
    // Adds a nested splitter (or any other window) as the next pane.
    void AddPane(QWidget* pane, QSize initialSize);

    void SetRowInfo(int row, int ideal, int minimum);
    void SetColumnInfo(int column, int ideal, int minimum);
    // Gives every pane but the last its ideal size.
    void RecalcLayout();

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct PaneInfo {
        int ideal;
        int minimum;
    };
    int PaneIndex(int row, int column) const { return row + column; }
    void SetPaneInfo(int index, int ideal, int minimum);

    std::vector<PaneInfo> m_panes;
};

// A static splitter: a fixed grid of panes separated by bars.  Each pane
// holds one window at a time; replacing a pane's window keeps the previous
// one alive (hidden), as the frame switches between its forms.
#pragma once

#include "wnd.h"

#include <vector>

class QSplitter;
class QStackedWidget;

class CSplitterWnd : public CWnd {
public:
    // rows x cols panes in parent; one of the two must be 1.
    BOOL CreateStatic(CWnd* parent, int rows, int cols, DWORD style, UINT id);

    // The identifier of the pane at (row, col): AFX_IDW_PANE_FIRST + 16 row + col.
    static UINT IdFromRowCol(int row, int col);
    // Windows made with a pane's identifier go into that pane.
    QWidget* ChildSurface(UINT childId) const override;
    // Shows wnd in the pane (its widget moves there); the old one is hidden.
    BOOL ReplaceView(int row, int col, CWnd* wnd);
    CWnd* GetPane(int row, int col) const;
    void SetColumnInfo(int col, int ideal, int minimum);
    // Bar width and border in pixels.
    void SetSplitterSizes(int bar, int border);

private:
    int Index(int row, int col) const { return row * m_nCols + col; }
    QSplitter* Splitter() const;

    int m_nRows = 0;
    int m_nCols = 0;
    std::vector<QStackedWidget*> m_stacks;
    std::vector<CWnd*> m_panes;
};

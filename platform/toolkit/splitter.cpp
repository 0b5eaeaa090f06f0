#include "splitter.h"

#include "doc_view.h"

#include <QSplitter>
#include <QStackedWidget>

namespace {

// A pane whose laid-out width can be set, for the column's ideal width.
class PaneStack final : public QStackedWidget {
public:
    using QStackedWidget::QStackedWidget;
    QSize sizeHint() const override
    {
        QSize s = QStackedWidget::sizeHint();
        if (idealWidth > 0)
            s = QSize(idealWidth, std::max(s.height(), 0));
        return s;
    }
    int idealWidth = -1;
};

} // namespace

BOOL CSplitterWnd::CreateStatic(CWnd* parent, int rows, int cols, DWORD, UINT id)
{
    if (rows < 1 || cols < 1 || (rows > 1 && cols > 1))
        return FALSE;
    auto* s = new QSplitter(rows > 1 ? Qt::Vertical : Qt::Horizontal, parent ? parent->Widget() : nullptr);
    s->setChildrenCollapsible(false);
    m_nRows = rows;
    m_nCols = cols;
    for (int i = 0; i < rows * cols; ++i) {
        auto* stack = new PaneStack(s);
        s->addWidget(stack);
        s->setStretchFactor(i, i == rows * cols - 1 ? 1 : 0);
        m_stacks.push_back(stack);
        m_panes.push_back(nullptr);
    }
    Attach(s, parent, id);
    return TRUE;
}

QSplitter* CSplitterWnd::Splitter() const
{
    return static_cast<QSplitter*>(Widget());
}

UINT CSplitterWnd::IdFromRowCol(int row, int col)
{
    return AFX_IDW_PANE_FIRST + static_cast<UINT>(row * 16 + col);
}

QWidget* CSplitterWnd::ChildSurface(UINT childId) const
{
    const int offset = static_cast<int>(childId) - static_cast<int>(AFX_IDW_PANE_FIRST);
    const int row = offset / 16;
    const int col = offset % 16;
    if (offset < 0 || row >= m_nRows || col >= m_nCols)
        return Widget();
    return m_stacks[Index(row, col)];
}

BOOL CSplitterWnd::ReplaceView(int row, int col, CWnd* wnd)
{
    if (row >= m_nRows || col >= m_nCols || !wnd || !wnd->Widget())
        return FALSE;
    QStackedWidget* stack = m_stacks[Index(row, col)];
    if (stack->indexOf(wnd->Widget()) < 0)
        stack->addWidget(wnd->Widget());
    stack->setCurrentWidget(wnd->Widget());
    wnd->Widget()->show();
    m_panes[Index(row, col)] = wnd;
    return TRUE;
}

CWnd* CSplitterWnd::GetPane(int row, int col) const
{
    return row < m_nRows && col < m_nCols ? m_panes[Index(row, col)] : nullptr;
}

void CSplitterWnd::SetColumnInfo(int col, int ideal, int minimum)
{
    if (col >= m_nCols)
        return;
    auto* stack = static_cast<PaneStack*>(m_stacks[Index(0, col)]);
    stack->setMinimumWidth(minimum);
    stack->idealWidth = std::max(ideal, minimum);
    stack->updateGeometry();
}

void CSplitterWnd::SetSplitterSizes(int bar, int border)
{
    Splitter()->setHandleWidth(bar);
    Splitter()->setContentsMargins(border, border, border, border);
}

// A track bar.  A vertical one has its minimum at the top, as the platform's
// does.  When the user moves it, the owner receives WM_VSCROLL (vertical) or
// WM_HSCROLL with SB_THUMBPOSITION and the position in wParam's high word,
// and the slider's CWnd as lParam; setting the position in code notifies
// nobody.
#pragma once

#include "wnd.h"

class QWidget;

constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT SB_THUMBPOSITION = 4;

// Track-bar styles of a template.
constexpr DWORD TBS_VERT = 0x0002;
constexpr DWORD TBS_BOTH = 0x0008;

class CSliderCtrl : public CWnd {
public:
    void SetRange(int minimum, int maximum, BOOL redraw = FALSE);
    int GetRangeMin() const;
    int GetRangeMax() const;
    void SetPos(int pos);
    int GetPos() const;
};

// The widget of a track bar made from a template; moves go to owner.
QWidget* MakeSliderWidget(CWnd& owner, UINT id, DWORD style, QWidget* surface);

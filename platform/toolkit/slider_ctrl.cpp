#include "slider_ctrl.h"

#include <QSignalBlocker>
#include <QSlider>

namespace {

QSlider* Slider(const CWnd* w)
{
    return w ? qobject_cast<QSlider*>(w->Widget()) : nullptr;
}

} // namespace

QWidget* MakeSliderWidget(CWnd& owner, UINT id, DWORD style, QWidget* surface)
{
    const bool vertical = style & TBS_VERT;
    auto* s = new QSlider(vertical ? Qt::Vertical : Qt::Horizontal, surface);
    // The platform's vertical track bar has its minimum at the top.
    s->setInvertedAppearance(vertical);
    s->setInvertedControls(vertical);
    s->setTickPosition(style & TBS_BOTH ? QSlider::TicksBothSides : QSlider::TicksBelow);
    const UINT message = vertical ? WM_VSCROLL : WM_HSCROLL;
    QObject::connect(s, &QSlider::valueChanged, s, [&owner, id, message](int pos) {
        owner.SendMessage(message, SB_THUMBPOSITION | (static_cast<WPARAM>(pos) << 16),
            reinterpret_cast<LPARAM>(owner.GetDlgItem(id)));
    });
    return s;
}

void CSliderCtrl::SetRange(int minimum, int maximum, BOOL)
{
    if (QSlider* s = Slider(this)) {
        const QSignalBlocker quiet(s);
        s->setRange(minimum, maximum);
    }
}

int CSliderCtrl::GetRangeMin() const
{
    const QSlider* s = Slider(this);
    return s ? s->minimum() : 0;
}

int CSliderCtrl::GetRangeMax() const
{
    const QSlider* s = Slider(this);
    return s ? s->maximum() : 0;
}

void CSliderCtrl::SetPos(int pos)
{
    if (QSlider* s = Slider(this)) {
        const QSignalBlocker quiet(s);
        s->setValue(pos);
    }
}

int CSliderCtrl::GetPos() const
{
    const QSlider* s = Slider(this);
    return s ? s->value() : 0;
}

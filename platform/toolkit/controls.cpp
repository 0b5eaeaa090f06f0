#include "controls.h"

#include "list_ctrl.h"
#include "slider_ctrl.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <charconv>

namespace {

QComboBox* Combo(const CWnd* w)
{
    return w ? qobject_cast<QComboBox*>(w->Widget()) : nullptr;
}

QProgressBar* Progress(const CWnd* w)
{
    return w ? qobject_cast<QProgressBar*>(w->Widget()) : nullptr;
}

void Notify(CWnd& owner, UINT id, UINT code)
{
    owner.OnCommand(id, code);
}

// Steps the number in the buddy edit within the spin's range.
void StepBuddy(CSpinButtonCtrl& spin, int delta)
{
    auto* edit = spin.m_pBuddy ? qobject_cast<QLineEdit*>(spin.m_pBuddy->Widget()) : nullptr;
    if (!edit)
        return;
    bool ok = false;
    int v = edit->text().toInt(&ok);
    v = ok ? v + delta : spin.m_nLower;
    v = std::clamp(v, std::min(spin.m_nLower, spin.m_nUpper), std::max(spin.m_nLower, spin.m_nUpper));
    edit->setText(QString::number(v));
}

std::unique_ptr<CWnd> MakeControl(CWnd& owner, const ControlTemplate& c, QWidget* surface, CWnd* previous,
    QButtonGroup*& group)
{
    const QString text = QString::fromStdString(c.text);
    std::unique_ptr<CWnd> wnd;
    QWidget* w = nullptr;
    const UINT id = c.id;
    switch (c.kind) {
    case ControlKind::Static: {
        auto* l = new QLabel(text, surface);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = l;
        wnd = std::make_unique<CStatic>();
        break;
    }
    case ControlKind::Icon: {
        auto* l = new QLabel(surface);
        l->setPixmap(LoadPicture(c.iconId));
        w = l;
        wnd = std::make_unique<CStatic>();
        break;
    }
    case ControlKind::GroupBox:
        w = new QGroupBox(text, surface);
        wnd = std::make_unique<CStatic>();
        break;
    case ControlKind::Button:
    case ControlKind::DefButton: {
        auto* b = new QPushButton(text, surface);
        b->setAutoDefault(false);
        b->setDefault(c.kind == ControlKind::DefButton);
        QObject::connect(b, &QPushButton::clicked, b, [&owner, id] { Notify(owner, id, BN_CLICKED); });
        w = b;
        wnd = std::make_unique<CButton>();
        break;
    }
    case ControlKind::CheckBox: {
        auto* b = new QCheckBox(text, surface);
        QObject::connect(b, &QCheckBox::clicked, b, [&owner, id] { Notify(owner, id, BN_CLICKED); });
        w = b;
        wnd = std::make_unique<CButton>();
        break;
    }
    case ControlKind::Radio: {
        auto* b = new QRadioButton(text, surface);
        if ((c.style & WS_GROUP) || !group)
            group = new QButtonGroup(surface);
        group->addButton(b, static_cast<int>(group->buttons().size()));
        QObject::connect(b, &QRadioButton::clicked, b, [&owner, id] { Notify(owner, id, BN_CLICKED); });
        w = b;
        auto button = std::make_unique<CButton>();
        button->m_pGroup = group;
        wnd = std::move(button);
        break;
    }
    case ControlKind::Edit: {
        auto* e = new QLineEdit(text, surface);
        e->setReadOnly(c.style & ES_READONLY);
        if (c.style & ES_CENTER)
            e->setAlignment(Qt::AlignCenter);
        if (c.style & ES_NUMBER)
            e->setValidator(new QIntValidator(0, 999999, e));
        QObject::connect(e, &QLineEdit::textChanged, e, [&owner, id] { Notify(owner, id, EN_CHANGE); });
        w = e;
        wnd = std::make_unique<CEdit>();
        break;
    }
    case ControlKind::ComboList: {
        auto* b = new QComboBox(surface);
        // The template's text holds the initial items, one per line.
        if (!text.isEmpty()) {
            b->addItems(text.split('\n'));
            b->setCurrentIndex(-1);
        }
        QObject::connect(b, &QComboBox::activated, b, [&owner, id] { Notify(owner, id, CBN_SELCHANGE); });
        w = b;
        wnd = std::make_unique<CComboBox>();
        break;
    }
    case ControlKind::Spin: {
        auto spin = std::make_unique<CSpinButtonCtrl>();
        spin->m_pBuddy = previous;
        CSpinButtonCtrl* raw = spin.get();
        auto* box = new QWidget(surface);
        auto* lay = new QVBoxLayout(box);
        lay->setContentsMargins(0, 0, 0, 0);
        lay->setSpacing(0);
        for (const int step : {1, -1}) {
            auto* arrow = new QToolButton(box);
            arrow->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
            arrow->setAutoRepeat(true);
            arrow->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            QObject::connect(arrow, &QToolButton::clicked, arrow, [raw, step] { StepBuddy(*raw, step); });
            lay->addWidget(arrow);
        }
        w = box;
        wnd = std::move(spin);
        break;
    }
    case ControlKind::Progress:
        w = new QProgressBar(surface);
        static_cast<QProgressBar*>(w)->setTextVisible(false);
        wnd = std::make_unique<CProgressCtrl>();
        break;
    case ControlKind::ListView:
        w = MakeListWidget(owner, id, surface);
        wnd = std::make_unique<CListCtrl>();
        break;
    case ControlKind::TrackBar:
        w = MakeSliderWidget(owner, id, c.style, surface);
        wnd = std::make_unique<CSliderCtrl>();
        break;
    }
    if (c.kind != ControlKind::Radio && (c.style & WS_GROUP))
        group = nullptr;
    const QPoint pos = DialogUnitsToPixels(c.x, c.y);
    const QPoint size = DialogUnitsToPixels(c.cx, c.cy);
    // A drop-down list's template height includes its open list.
    const int height = c.kind == ControlKind::ComboList ? w->sizeHint().height() : size.y();
    w->setGeometry(pos.x(), pos.y(), size.x(), height);
    w->setEnabled(!(c.style & WS_DISABLED));
    if (c.kind == ControlKind::GroupBox)
        w->lower(); // frames stay behind the controls they hold
    wnd->Attach(w, &owner, id);
    return wnd;
}

bool ParseInt(const std::string& text, long long& out)
{
    const char* b = text.data();
    const char* e = b + text.size();
    while (b < e && *b == ' ')
        ++b;
    while (e > b && e[-1] == ' ')
        --e;
    const auto [p, ec] = std::from_chars(b, e, out);
    return b != e && ec == std::errc() && p == e;
}

void DDX_Number(CDataExchange* dx, UINT id, long long& value, long long lo, long long hi)
{
    if (!dx->m_bSaveAndValidate) {
        dx->m_pDlgWnd->SetDlgItemText(id, std::to_string(value));
        return;
    }
    long long v = 0;
    if (!ParseInt(dx->m_pDlgWnd->GetDlgItemText(id), v) || v < lo || v > hi) {
        dx->m_pDlgWnd->MessageBox("整数を入力してください。", {}, MB_ICONEXCLAMATION);
        dx->Fail();
        return;
    }
    value = v;
}

} // namespace

void CreateControls(CWnd& owner, const DialogTemplate& templ)
{
    QWidget* surface = owner.Widget();
    CWnd* previous = nullptr;
    QButtonGroup* group = nullptr;
    for (const ControlTemplate& c : templ.controls) {
        std::unique_ptr<CWnd> control = MakeControl(owner, c, surface, previous, group);
        // Unaddressed labels are owned by the surface widget alone.
        if (c.id == IDC_STATIC) {
            control->Attach(nullptr);
            previous = nullptr;
            continue;
        }
        previous = owner.AddControl(std::move(control));
    }
}

void CButton::SetImage(const QPixmap& image)
{
    if (auto* b = qobject_cast<QAbstractButton*>(Widget()))
        b->setIcon(QIcon(image));
}

int CComboBox::AddString(const std::string& text)
{
    QComboBox* b = Combo(this);
    if (!b)
        return CB_ERR;
    b->addItem(QString::fromStdString(text));
    b->setCurrentIndex(b->count() == 1 ? -1 : b->currentIndex());
    return b->count() - 1;
}

void CComboBox::ResetContent()
{
    if (QComboBox* b = Combo(this))
        b->clear();
}

int CComboBox::GetCount() const
{
    const QComboBox* b = Combo(this);
    return b ? b->count() : 0;
}

int CComboBox::GetCurSel() const
{
    const QComboBox* b = Combo(this);
    return b ? b->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int index)
{
    QComboBox* b = Combo(this);
    if (!b)
        return CB_ERR;
    if (index < 0 || index >= b->count()) {
        b->setCurrentIndex(-1);
        return CB_ERR;
    }
    b->setCurrentIndex(index);
    return index;
}

std::string CComboBox::GetLBText(int index) const
{
    const QComboBox* b = Combo(this);
    return b && index >= 0 && index < b->count() ? b->itemText(index).toStdString() : std::string();
}

void CProgressCtrl::SetRange(int lower, int upper)
{
    if (QProgressBar* p = Progress(this))
        p->setRange(lower, upper);
}

int CProgressCtrl::SetPos(int pos)
{
    QProgressBar* p = Progress(this);
    if (!p)
        return 0;
    const int old = GetPos();
    p->setValue(pos);
    return old;
}

int CProgressCtrl::GetPos() const
{
    const QProgressBar* p = Progress(this);
    // An unset bar reports its minimum, as a fresh progress control does.
    return p ? std::max(p->value(), p->minimum()) : 0;
}

void CSpinButtonCtrl::SetRange(int lower, int upper)
{
    m_nLower = lower;
    m_nUpper = upper;
}

BOOL CWnd::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return dx.m_bFailed ? FALSE : TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void DDX_Text(CDataExchange* dx, UINT id, std::string& value)
{
    if (dx->m_bSaveAndValidate)
        value = dx->m_pDlgWnd->GetDlgItemText(id);
    else
        dx->m_pDlgWnd->SetDlgItemText(id, value);
}

void DDX_Text(CDataExchange* dx, UINT id, int& value)
{
    long long v = value;
    DDX_Number(dx, id, v, INT32_MIN, INT32_MAX);
    value = static_cast<int>(v);
}

void DDX_Text(CDataExchange* dx, UINT id, UINT& value)
{
    long long v = value;
    DDX_Number(dx, id, v, 0, UINT32_MAX);
    value = static_cast<UINT>(v);
}

void DDX_CBIndex(CDataExchange* dx, UINT id, int& index)
{
    auto* combo = static_cast<CComboBox*>(dx->m_pDlgWnd->GetDlgItem(id));
    if (!combo)
        return;
    if (dx->m_bSaveAndValidate)
        index = combo->GetCurSel();
    else
        combo->SetCurSel(index);
}

void DDX_Check(CDataExchange* dx, UINT id, BOOL& value)
{
    if (dx->m_bSaveAndValidate)
        value = dx->m_pDlgWnd->IsDlgButtonChecked(id) == BST_CHECKED;
    else
        dx->m_pDlgWnd->CheckDlgButton(id, value ? BST_CHECKED : BST_UNCHECKED);
}

void DDX_Radio(CDataExchange* dx, UINT firstId, int& index)
{
    auto* first = static_cast<CButton*>(dx->m_pDlgWnd->GetDlgItem(firstId));
    QButtonGroup* group = first ? first->m_pGroup : nullptr;
    if (!group)
        return;
    if (dx->m_bSaveAndValidate) {
        index = group->checkedId();
        return;
    }
    if (QAbstractButton* b = group->button(index)) {
        b->setChecked(true);
        return;
    }
    // No radio of the group checked: an exclusive group cannot uncheck its last one.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

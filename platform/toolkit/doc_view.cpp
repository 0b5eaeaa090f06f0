#include "doc_view.h"

#include "frame.h"

#include <QLayout>

#include <algorithm>

BOOL CDocument::OnNewDocument()
{
    m_strTitle.clear();
    return TRUE;
}

void CDocument::OnCloseDocument()
{
    // Copy: destroying a frame may detach views.
    const std::vector<CView*> views = m_views;
    for (CView* v : views)
        if (CFrameWnd* f = v->GetParentFrame())
            f->DestroyWindow();
}

void CDocument::AddView(CView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CDocument::RemoveView(CView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

BOOL CView::Create(CWnd* parent, UINT id, CDocument* document)
{
    QWidget* w = CreateSurface(parent ? parent->ChildSurface(id) : nullptr);
    if (!w)
        return FALSE;
    Attach(w, parent, id);
    m_pDocument = document;
    if (document)
        document->AddView(this);
    return TRUE;
}

void CView::OnInitialUpdate() {}

QWidget* CView::CreateSurface(QWidget* parent)
{
    return new QWidget(parent);
}

CFrameWnd* CView::GetParentFrame() const
{
    for (CWnd* p = GetParent(); p; p = p->GetParent())
        if (auto* f = dynamic_cast<CFrameWnd*>(p))
            return f;
    return nullptr;
}

namespace {

// A form's surface: as large as its template says.
class FormSurface final : public QWidget {
public:
    FormSurface(QWidget* parent, QSize size) : QWidget(parent), m_size(size) { setMinimumSize(size); }
    QSize sizeHint() const override { return m_size; }

private:
    QSize m_size;
};

} // namespace

QWidget* CFormView::CreateSurface(QWidget* parent)
{
    const DialogTemplate* t = FindDialogTemplate(m_nTemplateId);
    const QPoint size = t ? DialogUnitsToPixels(t->cx, t->cy) : QPoint();
    return new FormSurface(parent, QSize(size.x(), size.y()));
}

BOOL CFormView::Create(CWnd* parent, UINT id, CDocument* document)
{
    if (!CView::Create(parent, id, document))
        return FALSE;
    if (const DialogTemplate* t = FindDialogTemplate(m_nTemplateId))
        CreateControls(*this, *t);
    return TRUE;
}

void CFormView::OnInitialUpdate()
{
    UpdateData(FALSE);
}

void CFormView::ResizeParentToFit()
{
    if (CFrameWnd* f = GetParentFrame())
        f->RecalcLayout();
}

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, DocFactory doc, FrameFactory frame, ViewFactory view)
    : m_nResourceId(resourceId), m_newDoc(std::move(doc)), m_newFrame(std::move(frame)), m_newView(std::move(view))
{
}

CSingleDocTemplate::~CSingleDocTemplate() = default;

CDocument* CSingleDocTemplate::OpenDocumentFile()
{
    m_frame.reset();
    m_doc = m_newDoc();
    if (!m_doc || !m_doc->OnNewDocument()) {
        m_doc.reset();
        return nullptr;
    }
    m_frame = m_newFrame();
    CCreateContext context;
    context.m_pCurrentDoc = m_doc.get();
    context.m_newView = m_newView;
    if (!m_frame || !m_frame->LoadFrame(m_nResourceId, &context)) {
        m_frame.reset();
        m_doc.reset();
        return nullptr;
    }
    for (CView* v : m_doc->GetViews())
        v->OnInitialUpdate();
    return m_doc.get();
}

void CSingleDocTemplate::CloseAllDocuments()
{
    if (m_doc)
        m_doc->OnCloseDocument();
}

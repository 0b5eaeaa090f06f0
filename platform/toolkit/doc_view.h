// Document, views and the single-document template: one document, one
// frame, and views that show the document inside the frame.
#pragma once

#include "controls.h"

#include <functional>
#include <memory>
#include <vector>

class CView;
class CFrameWnd;

class CDocument {
public:
    virtual ~CDocument() = default;

    // Base step of a new document: clears the title.  TRUE on success.
    virtual BOOL OnNewDocument();
    // Base step of closing: destroys the frames that show the document.
    virtual void OnCloseDocument();

    void SetTitle(const std::string& title) { m_strTitle = title; }
    const std::string& GetTitle() const { return m_strTitle; }

    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }
    // The first view that is a T, or null.
    template <class T> T* FindView() const
    {
        for (CView* v : m_views)
            if (auto* t = dynamic_cast<T*>(v))
                return t;
        return nullptr;
    }

private:
    std::string m_strTitle;
    std::vector<CView*> m_views;
};

// What a frame needs to make its first view.
struct CCreateContext {
    CDocument* m_pCurrentDoc = nullptr;
    std::function<std::unique_ptr<CView>()> m_newView;
};

constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

class CView : public CWnd {
public:
    ~CView() override;

    // Creates the view's window as a child of parent and attaches it to the
    // document.  FALSE on failure.
    virtual BOOL Create(CWnd* parent, UINT id, CDocument* document);
    virtual void OnInitialUpdate();

    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const;

protected:
    // The widget of the view; the default is a plain surface.
    virtual QWidget* CreateSurface(QWidget* parent);

private:
    CDocument* m_pDocument = nullptr;
};

// A view whose surface holds the controls of a dialog template.
class CFormView : public CView {
public:
    explicit CFormView(UINT templateId) : m_nTemplateId(templateId) {}
    UINT GetTemplateId() const { return m_nTemplateId; }

    // The view with the controls of its template.
    BOOL Create(CWnd* parent, UINT id, CDocument* document) override;

    // Loads the members into the controls.
    void OnInitialUpdate() override;
    // Makes the frame just large enough for the form.
    void ResizeParentToFit();

protected:
    QWidget* CreateSurface(QWidget* parent) override;

private:
    UINT m_nTemplateId;
};

// One document type: makes the document, its frame and its first view.
class CSingleDocTemplate {
public:
    using DocFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<std::unique_ptr<CFrameWnd>()>;
    using ViewFactory = std::function<std::unique_ptr<CView>()>;

    CSingleDocTemplate(UINT resourceId, DocFactory doc, FrameFactory frame, ViewFactory view);
    ~CSingleDocTemplate();

    // The new-file command: a new document (OnNewDocument), its frame and
    // view, and the views' initial update.  Null on failure.
    CDocument* OpenDocumentFile();
    CDocument* GetFirstDoc() const { return m_doc.get(); }
    CFrameWnd* GetFrame() const { return m_frame.get(); }
    // Closes the document (saving what it saves) and its frame.
    void CloseAllDocuments();
    UINT GetResourceId() const { return m_nResourceId; }

private:
    UINT m_nResourceId;
    DocFactory m_newDoc;
    FrameFactory m_newFrame;
    ViewFactory m_newView;
    std::unique_ptr<CDocument> m_doc;
    std::unique_ptr<CFrameWnd> m_frame; // dies before the document its views show
};

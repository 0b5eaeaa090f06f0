#include "recording/recording_view.h"

#include "app/brisa_record_doc.h"
#include "app/main_frame.h"
#include "res/resource.h"

CBrisaRecordView::CBrisaRecordView() : CFormView(IDD_RECORD_FORM) {}

CBrisaRecordDoc* CBrisaRecordView::GetDocument() const
{
    return static_cast<CBrisaRecordDoc*>(CFormView::GetDocument());
}

CMainFrame* CBrisaRecordView::GetMainFrame() const
{
    return dynamic_cast<CMainFrame*>(GetParentFrame());
}

void CBrisaRecordView::OnInitialUpdate()
{
    CFormView::OnInitialUpdate();
    ResizeParentToFit();
    if (CMainFrame* frame = GetMainFrame())
        if (const SourceSettings* s = GetDocument() ? GetDocument()->GetCurrentSettings() : nullptr)
            frame->ApplyRecordingSource(s->DevIndex, s->CtrlIndex, s->CtrlValue);
}

void CBrisaRecordView::OnRecord()
{
    if (CMainFrame* frame = GetMainFrame())
        frame->m_strLastRecording.clear();
    m_bRecording = TRUE;
    m_bPaused = FALSE;
    if (CMainFrame* frame = GetMainFrame())
        frame->EnableModeBar(FALSE);
}

void CBrisaRecordView::OnPause()
{
    if (m_bRecording)
        m_bPaused = !m_bPaused;
}

void CBrisaRecordView::OnStop()
{
    m_bRecording = FALSE;
    m_bPaused = FALSE;
    if (CMainFrame* frame = GetMainFrame())
        frame->EnableModeBar(TRUE);
}

void CBrisaRecordView::ShowPcSoundNotice()
{
    MessageBox(MSG_PC_SOUND_NOTICE);
}

void CBrisaRecordView::RunDeviceOptions(int kind, BOOL)
{
    if (CBrisaRecordDoc* doc = GetDocument())
        doc->SetCurrentSource(kind);
}

void CBrisaRecordView::RefreshFormatControls() {}

void CBrisaRecordView::RefreshFileType() {}

#include "extraction/extract_view.h"

#include "res/resource.h"

CExtractView::CExtractView() : CFormView(IDD_EXTRACT_FORM) {}

BOOL CExtractView::CheckDumpFilter()
{
    return TRUE;
}

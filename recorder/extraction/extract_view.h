// The extraction form (form 137), shown in the main frame's right pane in the
// extraction mode.  This is its frame-facing part: the frame asks whether an
// extraction runs and checks the dump filter each time it shows the form;
// the extraction itself comes with the form's own work.
#pragma once

#include "toolkit/doc_view.h"

class CExtractView : public CFormView {
public:
    CExtractView();

    BOOL IsExtracting() const { return m_bExtracting; }
    // TRUE when the dump filter can be made; the frame calls it on every switch here.
    BOOL CheckDumpFilter();

    BOOL m_bExtracting = FALSE;
};

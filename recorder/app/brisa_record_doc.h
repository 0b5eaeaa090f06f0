// The recorder's single document: the settings of the three recording
// sources, loaded from the registry when the document is made and saved when
// it closes, and which source is current.  Making a source current applies
// its mixer selection.  It never reads or writes a file.
#pragma once

#include "app/source_settings.h"
#include "toolkit/doc_view.h"

class CBrisaRecordDoc : public CDocument {
public:
    // Title "Record Sounds...", loads the three sources, makes PC sound current.
    BOOL OnNewDocument() override;
    // Saves the three sources, then closes.
    void OnCloseDocument() override;

    // The record of kind 0, 1 or 2; null for any other kind.
    SourceSettings* GetSettings(int kind);
    int GetCurrentSource() const { return m_nCurrentSource; }
    SourceSettings* GetCurrentSettings() { return GetSettings(m_nCurrentSource); }
    // Makes kind current and applies its mixer selection; the current kind
    // again does nothing.
    void SetCurrentSource(int kind);

    BOOL LoadSettings(int kind);
    BOOL SaveSettings(int kind);
    BOOL SaveCurrentSettings() { return SaveSettings(m_nCurrentSource); }
    // Stored now, saved with the next save.
    void SetCurrentDeviceIndex(int index);

    static const char* SectionName(int kind);

private:
    SourceSettings m_settings[SOURCE_KIND_COUNT];
    int m_nCurrentSource = -1;
};

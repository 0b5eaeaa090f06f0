#include "brisa_record_doc.h"

#include "devices/mixer.h"
#include "toolkit/app.h"

const char* CBrisaRecordDoc::SectionName(int kind)
{
    switch (kind) {
    case SRC_PCSOUND: return "PCSndSettings";
    case SRC_MIC: return "MicSettings";
    case SRC_USER: return "UserSndSettings";
    default: return nullptr;
    }
}

BOOL CBrisaRecordDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return FALSE;
    SetTitle("Record Sounds...");
    for (int kind = 0; kind < SOURCE_KIND_COUNT && LoadSettings(kind); ++kind) {
    }
    SetCurrentSource(SRC_PCSOUND);
    return TRUE;
}

void CBrisaRecordDoc::OnCloseDocument()
{
    for (int kind = 0; kind < SOURCE_KIND_COUNT && SaveSettings(kind); ++kind) {
    }
    CDocument::OnCloseDocument();
}

SourceSettings* CBrisaRecordDoc::GetSettings(int kind)
{
    return kind >= 0 && kind < SOURCE_KIND_COUNT ? &m_settings[kind] : nullptr;
}

void CBrisaRecordDoc::SetCurrentSource(int kind)
{
    if (kind == m_nCurrentSource)
        return;
    m_nCurrentSource = kind;
    if (const SourceSettings* s = GetCurrentSettings()) {
        CMixer mixer; // made for this selection only, without a callback window
        ApplyRecordingSource(mixer, s->DevIndex, s->CtrlIndex, s->CtrlValue);
    }
}

BOOL CBrisaRecordDoc::LoadSettings(int kind)
{
    CWinApp* app = AfxGetApp();
    const char* section = SectionName(kind);
    if (!app || !section)
        return FALSE;
    SourceSettings& s = m_settings[kind];
    const SourceSettings def;
    s.DevName = app->GetProfileString(section, "DevName", def.DevName);
    s.DevIndex = app->GetProfileInt(section, "DevIndex", def.DevIndex);
    s.LineName = app->GetProfileString(section, "LineName", def.LineName);
    s.CtrlIndex = app->GetProfileInt(section, "CtrlIndex", def.CtrlIndex);
    s.CtrlValue = app->GetProfileInt(section, "CtrlValue", def.CtrlValue);
    s.BitCount = app->GetProfileInt(section, "BitCount", def.BitCount);
    s.Channel = app->GetProfileInt(section, "Channel", def.Channel);
    s.Sample = app->GetProfileInt(section, "Sample", def.Sample);
    s.FileType = app->GetProfileInt(section, "FileType", def.FileType);
    s.VistaDevIndex = app->GetProfileInt(section, "VistaDevIndex", def.VistaDevIndex);
    return TRUE;
}

BOOL CBrisaRecordDoc::SaveSettings(int kind)
{
    CWinApp* app = AfxGetApp();
    const char* section = SectionName(kind);
    if (!app || !section)
        return FALSE;
    const SourceSettings& s = m_settings[kind];
    // Write failures are not reported: the next close tries again.
    app->WriteProfileString(section, "DevName", s.DevName);
    app->WriteProfileInt(section, "DevIndex", s.DevIndex);
    app->WriteProfileString(section, "LineName", s.LineName);
    app->WriteProfileInt(section, "CtrlIndex", s.CtrlIndex);
    app->WriteProfileInt(section, "CtrlValue", s.CtrlValue);
    app->WriteProfileInt(section, "BitCount", s.BitCount);
    app->WriteProfileInt(section, "Channel", s.Channel);
    app->WriteProfileInt(section, "Sample", s.Sample);
    app->WriteProfileInt(section, "FileType", s.FileType);
    app->WriteProfileInt(section, "VistaDevIndex", s.VistaDevIndex);
    return TRUE;
}

void CBrisaRecordDoc::SetCurrentDeviceIndex(int index)
{
    if (SourceSettings* s = GetCurrentSettings())
        s->VistaDevIndex = index;
}

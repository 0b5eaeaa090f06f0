#include "recorder_resources.h"

#include "res/resource.h"

// Pieces of the table, each in the file named for it.
std::map<UINT, std::string> RecorderStrings();
MenuTemplateItem RecorderMenu();
std::vector<AcceleratorEntry> RecorderAccelerators();
ToolBarTemplate RecorderToolBar();
DialogTemplate AboutBox();
DialogTemplate RecordForm();
DialogTemplate ExtractForm();
DialogTemplate WaitStartDialog();
DialogTemplate DeviceSelectDialog();

const ResourceTable& RecorderResources()
{
    static const ResourceTable table{
        RecorderStrings(),
        {{IDR_MAINFRAME, RecorderMenu()}},
        {{IDR_MAINFRAME, RecorderAccelerators()}},
        {{IDR_MAINFRAME, RecorderToolBar()}},
        {{IDD_ABOUTBOX, AboutBox()}, {IDD_RECORD_FORM, RecordForm()}, {IDD_EXTRACT_FORM, ExtractForm()},
            {IDD_WAIT_START, WaitStartDialog()}, {IDD_DEVICE_SELECT, DeviceSelectDialog()}},
        {
            {IDR_MAINFRAME, ":/res/icons/app.xpm"},
            {IDB_MAINFRAME_TOOLBAR, ":/res/icons/toolbar.xpm"},
            {IDB_MODES_16, ":/res/icons/modes16.xpm"},
            {IDB_MODES_24, ":/res/icons/modes24.xpm"},
            {IDB_RECORD, ":/res/icons/record.xpm"},
            {IDB_PAUSE, ":/res/icons/pause.xpm"},
            {IDB_STOP, ":/res/icons/stop.xpm"},
            {IDI_DEVICE_SELECT, ":/res/icons/app.xpm"},
        },
    };
    return table;
}

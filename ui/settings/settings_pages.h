#pragma once
// SettingsPages: the settings store, the four pages of the settings sheet (split,
// record, shot play, export) and the sheet itself. The pages read their values
// from the store when they are built and write them when they go; the sheet
// only uses them.

#include "ui/settings/export_settings_page.h"
#include "ui/settings/record_settings_page.h"
#include "ui/settings/settings_sheet.h"
#include "ui/settings/shot_play_settings_page.h"
#include "ui/settings/split_all_settings_page.h"

#include <memory>

class SettingsStore;

class SettingsPages {
public:
    explicit SettingsPages(std::unique_ptr<SettingsStore> store);
    // The sheet goes first, then the pages (export, shot play, record, split),
    // each writing its values to the store, then the store.
    ~SettingsPages();
    SettingsPages(const SettingsPages&) = delete;
    SettingsPages& operator=(const SettingsPages&) = delete;

    // Puts the pages on the sheet, in tab order (once).
    void addPagesToSheet();

    CSettingsSheet& sheet() { return sheet_; }
    // The store the pages keep their values in; others may keep theirs there too.
    SettingsStore& store() { return *store_; }
    CSplitAllSettingsPage& splitPage() { return *splitPage_; }
    CRecordSettingsPage& recordPage() { return *recordPage_; }
    CShotPlaySettingsPage& shotPlayPage() { return *shotPage_; }
    CExportSettingsPage& exportPage() { return *exportPage_; }

private:
    // Declared before the pages: the pages write into it as they go.
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<CSplitAllSettingsPage> splitPage_;
    std::unique_ptr<CRecordSettingsPage> recordPage_;
    std::unique_ptr<CShotPlaySettingsPage> shotPage_;
    std::unique_ptr<CExportSettingsPage> exportPage_;
    CSettingsSheet sheet_;
};

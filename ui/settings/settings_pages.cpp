#include "ui/settings/settings_pages.h"

#include "ui/settings/settings_store.h"

SettingsPages::SettingsPages(std::unique_ptr<SettingsStore> store)
    : store_(std::move(store)), splitPage_(std::make_unique<CSplitAllSettingsPage>(*store_)),
      recordPage_(std::make_unique<CRecordSettingsPage>(*store_)),
      shotPage_(std::make_unique<CShotPlaySettingsPage>(*store_)),
      exportPage_(std::make_unique<CExportSettingsPage>(*store_)) {}

SettingsPages::~SettingsPages() = default;

void SettingsPages::addPagesToSheet() {
    sheet_.addPage(*splitPage_);
    sheet_.addPage(*recordPage_);
    sheet_.addPage(*shotPage_);
    sheet_.addPage(*exportPage_);
}

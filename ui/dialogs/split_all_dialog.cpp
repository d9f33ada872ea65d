#include "ui/dialogs/split_all_dialog.h"

#include <optional>

CSplitAllDialog::CSplitAllDialog(sundra::SampleReaderWriter& source,
                                 const sundra::SplitSettings& settings, QWidget* parent)
    : ScanProgressDialog(source, QStringLiteral("Split All Dialog"), parent), settings_(settings),
      source_(source) {}

CSplitAllDialog::~CSplitAllDialog() {
    // run uses the members below: the worker must be gone before they are.
    stopAndJoin();
}

namespace {

// Keeps the split's OK back until the worker's last step is done.
class HeldCommand : public sundra::Notifier {
public:
    bool post(std::uint32_t wParam, std::int64_t) override {
        held_ = wParam;
        return true;
    }
    bool post() override { return true; }
    std::optional<std::uint32_t> held() const { return held_; }

private:
    std::optional<std::uint32_t> held_;
};

} // namespace

int CSplitAllDialog::run(sundra::Event& stopEvent) {
    HeldCommand ok;
    const int result = sundra::splitAll(source_, settings_, stopEvent, pieces_, ok);
    // Too few pieces: one more pass over the track says why, before the dialog
    // ends, so that the message can name the reason.
    if (ok.held() && pieces_.size() < 2 && !stopEvent.lock(0))
        report_ = sundra::analyzeTrack(source_, settings_, &stopEvent);
    if (ok.held())
        commands().post(*ok.held(), 0);
    return result;
}

void CSplitAllDialog::done(int result) {
    ScanProgressDialog::done(result);
    // The worker has been joined by now; pieces found before a cancel are
    // released rather than handed over.
    if (this->result() != QDialog::Accepted)
        pieces_.clear();
}

#include "ui/dialogs/split_all_dialog.h"

#include "core/units.h"
#include "ui/platform/dialog_font.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

CSplitAllDialog::CSplitAllDialog(sundra::SampleReaderWriter& source,
                                 const sundra::SplitSettings& settings, QWidget* parent)
    : WorkerDialog(parent), settings_(settings), source_(source) {
    setWindowTitle(QStringLiteral("Split All Dialog"));
    setMinimumSize(dialogUnitsToPixels(font(), 187, 57));

    layOutProgressForm({}, progress_, cancel_);
}

CSplitAllDialog::~CSplitAllDialog() {
    // run uses the members below: the worker must be gone before they are.
    stopAndJoin();
}

bool CSplitAllDialog::begin() {
    // Built here, on the window thread, before the worker exists.
    commands_ = commandNotifier();
    return true;
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
        commands_->post(*ok.held(), 0);
    return result;
}

void CSplitAllDialog::onTimer() {
    progress_->setValue(static_cast<int>(sundra::positionRatio(source_) * 100.0));
}

void CSplitAllDialog::done(int result) {
    WorkerDialog::done(result);
    // The worker has been joined by now; pieces found before a cancel are
    // released rather than handed over.
    if (this->result() != QDialog::Accepted)
        pieces_.clear();
}

#pragma once
// CSaveAllDialog: the "Save All Dialog" that writes every track to a file of its
// own on a worker thread, showing which track of how many it is writing
// ("Track 3 of 12"), the name of the file being written and how far it has
// come. The worker posts OK after the last file. Cancel asks the worker
// to stop without waiting (it abandons the file it is writing within a block,
// its temporary file removed); the destructor joins it, so the jobs' tracks
// must outlive the dialog object. A file that cannot be written is reported
// through the error reporter and the dialog stays open until cancelled.

#include "split/save_all.h"
#include "ui/dialogs/worker_dialog.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

class CSaveAllDialog : public WorkerDialog {
    Q_OBJECT
public:
    // Posted by the worker when it starts a file: show its name.
    static constexpr std::uint32_t kNameMessage = sundra::kUserMessage + 1;

    CSaveAllDialog(const std::string& documentPath, QWidget* parent);
    ~CSaveAllDialog() override;

    // Before exec: one job per row, in row order. track is not owned.
    void addJob(const std::string& name, sundra::TrackSegment* track);
    // Writes into folder instead of beside the document (before exec).
    void setOutputFolder(const std::string& folder) { outputFolder_ = folder; }
    // The format of the files and each job's tags, in job order (before exec);
    // the dialog says which format it writes.
    void setExport(const sundra::ExportSettings& settings, std::vector<sundra::TrackTags> tags);

    QLabel* formatLabel() const { return format_; }

    QLabel* nameLabel() const { return name_; }
    QLabel* overallLabel() const { return overall_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* cancelButton() const { return cancel_; }

    // What the user is told once the dialog has closed: how many tracks were
    // saved in which folder, and what was not saved (after a cancel, or from
    // the track that could not be written on). Waits for the worker first: a
    // cancelled export may still be finishing its file.
    QString closingMessage();
    // The folder the files go to, as the user knows it.
    QString folderText() const;

    bool begin() override;
    int run(sundra::Event& stopEvent) override;

protected:
    void onTimer() override;
    void onMessage(std::uint32_t message, std::uint32_t wParam, std::int64_t lParam) override;
    // Only asks the worker to stop; the destructor joins.
    void stopWorker() override;

private:
    std::string documentPath_;
    std::string outputFolder_;
    std::vector<sundra::SaveJob> jobs_;
    sundra::ExportSettings exportSettings_;
    std::vector<sundra::TrackTags> tags_;
    std::unique_ptr<sundra::SaveAllWork> work_;
    std::unique_ptr<sundra::Notifier> commands_;
    std::unique_ptr<sundra::Notifier> nameShown_;
    QPointer<QLabel> overall_;
    QPointer<QLabel> name_;
    QPointer<QLabel> format_;
    QPointer<QProgressBar> progress_;
    QPointer<QPushButton> cancel_;
};

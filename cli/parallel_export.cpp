#include "cli/parallel_export.h"

#include "audio/notifier.h"
#include "core/track_segment.h"
#include "core/wave_file.h"
#include "split/export_writer.h"
#include "split/save_all.h"

#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace sundra::cli {

void ParallelExport::run(Event& stopEvent, int threads) {
    // Refused before any file is begun, as the one-at-a-time export does.
    if (std::unique_ptr<WaveFileReader> probe = openWaveFile(documentPath))
        if (auto problem = exportProblem(settings.format, probe->format()))
            throw ExportError(*problem);
    // The file names are made for the export as a whole, so that rows of one
    // name get distinct files whichever thread writes them.
    const std::vector<std::string> stems =
        exportPathPattern(documentPath, outputFolder, settings.format).fileStemsFor(names);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorMutex;
    std::exception_ptr error;

    const auto work = [&] {
        try {
            std::unique_ptr<WaveFileReader> master = openWaveFile(documentPath);
            if (!master)
                throw std::runtime_error("file can not opened");
            while (!failed && !stopEvent.lock(0)) {
                const std::size_t i = next.fetch_add(1);
                if (i >= names.size())
                    break;
                TrackSegment track(*master, starts[i], ends[i]);
                SaveAllWork one(documentPath, {{stems[i], &track}});
                if (outputFolder)
                    one.setOutputFolder(*outputFolder);
                one.setExportSettings(settings);
                one.setTags({tags[i]});
                // A stop abandons the file in progress, as in the
                // one-at-a-time export.
                one.run(stopEvent, Notifier::none(), Notifier::none());
                filesDone += static_cast<int>(one.filesWritten());
            }
        } catch (...) {
            failed = true;
            std::lock_guard lock(errorMutex);
            if (!error)
                error = std::current_exception();
        }
    };

    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (error)
        std::rethrow_exception(error);
}

} // namespace sundra::cli

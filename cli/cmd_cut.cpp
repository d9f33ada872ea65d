// cut FILE.wav --cue IN.cue | --labels IN.txt: the rows of a cue sheet or a
// label file over the file, printed as split prints its pieces and, with
// --save, exported as split --save exports them, tagged with the album
// information of a cue sheet unless the export options say otherwise.

#include "cli/commands.h"
#include "cli/export_options.h"
#include "cli/options.h"
#include "cli/row_output.h"
#include "cli/source_guard.h"
#include "core/cut_list.h"
#include "core/path_parts.h"
#include "core/wave_file.h"

#include <cstdio>
#include <memory>
#include <set>

namespace sundra::cli {

int runCut(const Arguments& args) {
    std::set<std::string> valued = {"cue", "labels", "out"};
    valued.insert(exportOptionNames().begin(), exportOptionNames().end());
    const Options options(args, valued, {"save", "progress"});
    if (options.positional().size() != 1)
        throw UsageError("needs exactly one FILE.wav");
    if (options.has("cue") == options.has("labels"))
        throw UsageError("needs either --cue IN.cue or --labels IN.txt");
    if (options.value("out") && !options.has("save"))
        throw UsageError("option --out needs --save");
    if (readExportChoice(options).anyGiven && !options.has("save"))
        throw UsageError("the export options need --save");
    const std::string path = options.positional().front();
    const bool cue = options.has("cue");
    const std::string listPath = *options.value(cue ? "cue" : "labels");
    const std::string text = readTextFile(listPath);

    std::unique_ptr<WaveFileReader> master = openWaveFile(path);
    if (!master) {
        std::fputs("file can not opened\n", stderr);
        return 1;
    }
    const PathParts parts = splitPath(path);
    const CutSource source{parts.title + parts.extension, parts.title,
                           master->format().samplesPerSecond, master->length()};
    AlbumCutList list;
    CutListWarnings warnings;
    try {
        list = cue ? readCueSheet(text, source, &warnings)
                   : AlbumCutList{parseLabels(text, source, LabelChecks::Strict, &warnings), {}};
    } catch (const CutListError& error) {
        std::fprintf(stderr, "%s: %s\n", listPath.c_str(), error.what());
        return 1;
    }
    // What the list held that gives no row, so that nothing is left out unseen.
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "%s: %s\n", listPath.c_str(), warning.c_str());
    std::vector<std::string> names;
    std::vector<TrackSegment> rows;
    rows.reserve(list.rows.size());
    for (const CutRow& cut : list.rows) {
        names.push_back(cut.name);
        rows.emplace_back(*master, cut.start, cut.end);
    }
    refuseTrackFilesOverSource(options, path, names, list.album);
    return printAndSaveRows(options, path, names, rows, list.album);
}

} // namespace sundra::cli

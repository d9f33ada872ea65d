#pragma once
// CSundraDoc: the program's one document. It owns the PlaybackContext (master
// image, play buffer, output device), the path of the opened file and the cuts
// over the master (the CutsModel). New puts a writer on a fresh temporary file
// in place of the master, Open a reader on the user's file (kept open for
// reading, others denied write), a finished recording its file; each replaces
// the master and at once starts the cuts over: one row over the whole file, or
// none after New.

#include "core/cut_list.h"
#include "core/playback_context.h"
#include "ui/document/cuts_model.h"

#include <functional>
#include <memory>
#include <string>

class CSundraDoc {
public:
    // Shows a message to the user (a modal message box in the program).
    using MessageSink = std::function<void(const std::string& text)>;

    // Starts with an empty master of the default format. The device factory's
    // Exception (no usable sound output) propagates.
    CSundraDoc(sundra::PlaybackContext::DeviceFactory makeDevice, MessageSink showMessage);
    ~CSundraDoc();
    CSundraDoc(const CSundraDoc&) = delete;
    CSundraDoc& operator=(const CSundraDoc&) = delete;

    // New: an empty WAV file on a temporary file becomes the master; the path
    // is cleared. False (after a message) when that cannot be made.
    bool newDocument();
    // Open: path's WAV file becomes the master. False after "file can not
    // opened" or the device's own message; nothing has changed then.
    bool openDocument(const std::string& path);
    // A finished recording becomes the master (the document owns it from now
    // on) and path the document's path. The device's Exception propagates when
    // the recording's format needs a new one that cannot be opened; nothing has
    // changed then.
    void adoptRecording(std::unique_ptr<sundra::SampleReaderWriter> recording,
                        const std::string& path);

    // The opened file's full path; empty after New and at start-up.
    const std::string& pathName() const { return pathName_; }
    // The file title (name without folder and extension); empty without a path.
    std::string fileTitle() const;
    // The title of the window: the file name, or "Untitled" for a new document.
    std::string title() const;

    sundra::PlaybackContext& playback() { return *playback_; }
    CutsModel& cuts() { return *cuts_; }
    // The file that cut lists are read against: its name and title, rate and length.
    sundra::CutSource cutSource();

private:
    // The master is in and the path set: the cuts start over.
    void startOver();

    MessageSink showMessage_;
    std::unique_ptr<sundra::PlaybackContext> playback_;
    // Declared after the context: it goes first, taking the range off its rows.
    std::unique_ptr<CutsModel> cuts_;
    std::string pathName_;
    bool hasDocument_ = false;
};

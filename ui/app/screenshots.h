#pragma once
// Screenshots of the window program for a machine without a display: the main
// window empty, the main window with a generated album opened, split into
// several rows, the bar moved and the meters showing a level, the About box and
// every page of the settings sheet. Given a recording too, its waveform split
// at its pauses: the whole of it, seconds around its first cut with the time
// under the pointer, and a close-up of milliseconds. Runs on the silent sound
// port; the recording's cuts are not kept.

#include <QString>

// Writes the PNG files into folder (created if needed); returns the process's
// exit status (0 when every file was written). recording may be empty.
int writeScreenshots(const QString& folder, const QString& recording = {});
#pragma once
// Screenshots of the window program for a machine without a display: the main
// window empty, the main window with a generated album opened, split into
// several rows, the bar moved and the meters showing a level, the About box and
// every page of the settings sheet. Runs on the silent sound port.

#include <QString>

// Writes the PNG files into folder (created if needed); returns the process's
// exit status (0 when every file was written).
int writeScreenshots(const QString& folder);

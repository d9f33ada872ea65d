#pragma once
// The main window's size and place and the split between the track list and
// the waveform, kept per user in the settings store (section "window", texts
// "geometry" and "split"). Without them, the first start opens the window at
// a size that gives the list and the waveform room, within the screen.

class QSplitter;
class QWidget;
class SettingsStore;

namespace window_layout {

// Before the window is shown.
void restore(QWidget& window, QSplitter& split, SettingsStore& store);
// When the window goes.
void save(const QWidget& window, const QSplitter& split, SettingsStore& store);

} // namespace window_layout

#pragma once
// SettingsPage: one page of the settings sheet. The page object holds its values
// for the whole life of the view (loaded when it is built, written to the
// settings store when it is destroyed); its widget exists only while the sheet
// shows it. The sheet owns the widget's parent; the page keeps a guarded pointer.
//
// Exchange: loadControls fills the controls from the fields, saveControls moves
// the controls into the fields. Check boxes exchange 0 (clear), 1 (ticked) or
// 2 (indeterminate); sliders run 0..100, so a stored value outside that range is
// limited when it is shown and saved.

#include <QPointer>
#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QSlider;

class SettingsPage {
public:
    virtual ~SettingsPage();
    // The tab text.
    virtual QString title() const = 0;
    // Builds the page's controls under parent (the sheet's tab) and returns them.
    virtual QWidget* createWidget(QWidget* parent) = 0;
    virtual void loadControls() = 0;
    virtual void saveControls() = 0;
    // Deletes the page's widget if it still exists.
    virtual void destroyWidget();

    QWidget* widget() const { return widget_; }

protected:
    // A page widget in the dialog font with the template's minimum size in
    // dialog units.
    QWidget* makePageWidget(QWidget* parent, int widthUnits, int heightUnits);

    QPointer<QWidget> widget_;
};

namespace page_controls {

// An automatic check box; once clicked it no longer offers the indeterminate
// state that a stored 2 shows.
QCheckBox* makeCheckBox(QWidget* parent, const QString& text, const QString& objectName);
// A horizontal slider 0..100 with a tick at every position.
QSlider* makeSlider(QWidget* parent, const QString& objectName);
// Fills a check box from field; a field outside 0..2 is first set to 0.
void loadCheck(QCheckBox& box, int& field);
int saveCheck(const QCheckBox& box);
// Sets a check box to a plain ticked or clear state (no indeterminate state).
void setCheck(QCheckBox& box, bool ticked);
bool isTicked(const QCheckBox& box);

// The label beside a slider that shows its value, in the units the detection
// report speaks in; wide enough for the longest value, so that the slider
// keeps its place as the value changes.
QLabel* makeValueLabel(QWidget* parent, const QString& objectName);
// "0.0500 (-26.0 dBFS)": a level as the detection report gives it.
QString levelValue(double level);
// "1.0 s"
QString secondsValue(double seconds);
// "10 ms", or "off" for 0.
QString millisecondsValue(int milliseconds);

} // namespace page_controls

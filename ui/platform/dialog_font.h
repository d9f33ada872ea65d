#pragma once
// The font and sizes of the program's dialogs. The dialogs were drawn in dialog
// units of the Japanese "ＭＳ Ｐゴシック" 9 point font; where that font is missing,
// a Japanese-capable font of the system stands in, so that "ｷｬﾝｾﾙ" still shows.

#include <QFont>
#include <QSize>

class QWidget;

// "ＭＳ Ｐゴシック" 9 point, or the nearest Japanese-capable family at 9 point.
QFont dialogFont();

// Dialog units (x: quarter of the average character width, y: eighth of the
// character height) in pixels for font.
QSize dialogUnitsToPixels(const QFont& font, int width, int height);

// Gives widget the dialog font.
void applyDialogFont(QWidget& widget);

#include "ui/platform/dialog_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <QWidget>

namespace {

QString japaneseFamily() {
    const QString wanted = QStringLiteral("ＭＳ Ｐゴシック");
    const QStringList families = QFontDatabase::families();
    if (families.contains(wanted))
        return wanted;
    // Proportional gothic faces first: they are the closest in shape and width.
    const QStringList preferred = QFontDatabase::families(QFontDatabase::Japanese);
    for (const char* name : {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic",
                             "TakaoPGothic", "IPAGothic", "Droid Sans Fallback"}) {
        if (preferred.contains(QString::fromLatin1(name)))
            return QString::fromLatin1(name);
    }
    return preferred.isEmpty() ? QString() : preferred.front();
}

} // namespace

QFont dialogFont() {
    static const QString family = japaneseFamily();
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(9);
    return font;
}

QSize dialogUnitsToPixels(const QFont& font, int width, int height) {
    const QFontMetrics metrics(font);
    const QString sample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (metrics.horizontalAdvance(sample) / 26 + 1) / 2;
    const int baseY = metrics.height();
    return QSize(width * baseX / 4, height * baseY / 8);
}

void applyDialogFont(QWidget& widget) {
    widget.setFont(dialogFont());
}

#include "BoardFont.h"

#include "Figures.h"
#include "GameState.h"
#include "Tick.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QString>

namespace {

// Liberation Mono is the metric twin of Courier New and is what Debian
// usually has; the Courier names cover other systems. Fontconfig happily
// substitutes any face for a name it does not know, so each candidate is
// checked for what was actually resolved, not just accepted by name.
constexpr const char* kPreferredFamilies[] = {"Liberation Mono", "Courier New", "Courier"};

QFont makeBold(QFont font) {
    font.setPixelSize(kFontPixelSize);
    font.setWeight(QFont::Bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setStyleHint(QFont::TypeWriter);
    // Hinting may round some advances differently from others; the cells have
    // to stay equal, so keep the outlines' own metrics.
    font.setHintingPreference(QFont::PreferNoHinting);
    // The spacing comes after every character, so each one fills a cell of
    // exactly kCellWidth; it scales with the screen like the font does.
    const qreal natural = QFontMetricsF(font).horizontalAdvance(QChar(kGlyphEmpty));
    if (natural > 0 && natural < kCellWidth) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, kCellWidth - natural);
    }
    return font;
}

// The advance of a text as laid out, letter spacing included (the advance of
// a lone QChar leaves the spacing out).
int advance(const QFontMetrics& metrics, const QString& text) {
    return metrics.horizontalAdvance(text);
}

} // namespace

int boardCellWidth(const QFont& font) {
    return advance(QFontMetrics(font), QString(QChar(kGlyphEmpty)));
}

bool isUsableBoardFont(const QFont& font) {
    if (!QFontInfo(font).fixedPitch()) {
        return false;
    }
    const QFontMetrics metrics(font);
    const int cell = boardCellWidth(font);
    if (cell <= 0) {
        return false;
    }
    for (const char glyph : {kGlyphAlien, kGlyphHit, kGlyphShot, kGlyphCannon, kGlyphEmpty}) {
        if (advance(metrics, QString(QChar(glyph))) != cell) {
            return false;
        }
    }
    const QString fullRow(kColumns, QChar(kGlyphAlien));
    return advance(metrics, fullRow) == cell * kColumns &&
           advance(metrics, fullRow) < kFullRowWidth;
}

QFont boardFont() {
    for (const char* family : kPreferredFamilies) {
        QFont candidate = makeBold(QFont(QString::fromLatin1(family)));
        const bool resolved = QFontInfo(candidate).family().compare(QString::fromLatin1(family),
                                                                    Qt::CaseInsensitive) == 0;
        if (resolved && isUsableBoardFont(candidate)) {
            return candidate;
        }
    }
    return makeBold(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

#pragma once

#include <QString>

#include "glyph/Result.h"

class QWidget;

namespace brivo {

// The desktop program's error texts. The core words its failures in English for the
// command-line tool; the desktop program shows them in Korean, chosen by the kind of failure.
QString ErrorText(const Result& failure);
// What goes under "Show Details...", in Korean too: the file, the reason (a reason the system
// words only in English is kept beside or instead of the Korean one) or the value refused;
// "" when ErrorText says all there is.
QString ErrorDetail(const Result& failure);
// A warning box with ErrorText, ErrorDetail under "Show Details...".
void ShowError(QWidget* parent, const Result& failure);
// A warning box with one of the texts below.
void ShowError(QWidget* parent, const QString& text);

// What the number fields of the dialogs refuse as they are left.
QString NotAnIntegerText();
QString GlyphSizeText();
QString SkipBytesText();

}  // namespace brivo

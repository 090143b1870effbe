#pragma once

#include <QString>

#include "glyph/Result.h"

class QWidget;

namespace brivo {

// The desktop program's error texts. The core words its failures in English for the
// command-line tool; the desktop program shows them in Korean, chosen by the kind of failure.
QString ErrorText(const Result& failure);
// A warning box with ErrorText; the core's own English text is under "Show Details...".
void ShowError(QWidget* parent, const Result& failure);
// A warning box with one of the texts below.
void ShowError(QWidget* parent, const QString& text);

// What the number fields of the dialogs refuse as they are left.
QString NotAnIntegerText();
QString GlyphSizeText();
QString SkipBytesText();

}  // namespace brivo

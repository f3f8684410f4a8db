#pragma once

class QColor;
class QPalette;
class QWidget;

// The property that tells a style sheet that the caption is marked.
constexpr const char *kCaptionMarkProperty = "korvaneCaptionMark";

// A button's caption drawn in the palette's warning colour, or as usual.
void SetCaptionMark(QWidget *button, bool marked);
bool HasCaptionMark(const QWidget *button);

// Red, lightened where the buttons are dark so that it stays readable.
QColor WarningColour(const QPalette &palette);

#pragma once

class QWidget;

// The three borders a pin state button can have: the template's single
// sunken edge, none at all (an input) and a heavy frame (an output).
enum class FrameLook { Sunken, Flat, Heavy };

// Gives the button the look and repaints it at once.
void SetFrameLook(QWidget *button, FrameLook look);
FrameLook GetFrameLook(const QWidget *button);

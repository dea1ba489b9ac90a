#pragma once
// What assistive technology (a screen reader through Qt's AT-SPI bridge) learns of the program's
// own controls: the seven-segment display's interface, the latching buttons' one action, and the
// way changes are announced.
#include <QAccessible>
#include <QString>

class QAbstractButton;
class QWidget;
class TSevenSeg;

namespace accessibility {

// Makes Qt describe every TSevenSeg by this program's interface; once is enough, later calls do
// nothing.
void installInterfaces();

// Describes `button`, a checkable button of an exclusive group, as one whose only action is a press
// that does what a click does (Qt's "Toggle" would mark it down and run nothing).
void describeAsLatching(QAbstractButton* button);

// True while someone listens: a screen reader, or a sink set below.
bool listening();
// Hands the event on. Qt passes events on only while a screen reader is attached.
void post(QAccessibleEvent* event);
// Events go to `sink` instead of Qt while it is set (nullptr restores Qt); lets a test without a
// screen reader see them.
using EventSink = void (*)(QAccessibleEvent* event);
void setEventSink(EventSink sink);

// Tells the screen reader `message` now, as a notification that `source` (the control the operator
// used) carries. Orca speaks a notification when it shows, wherever the focus is; it cannot read the
// name and description changes that Qt sends.
void announce(QWidget* source, const QString& message);
// After the operator pressed `pressed`: what `readout` shows now, with its name ("Port 3",
// "Position 0B").
void announceReadout(QWidget* pressed, const TSevenSeg* readout);

}  // namespace accessibility

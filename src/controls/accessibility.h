#pragma once
// What assistive technology (a screen reader through Qt's AT-SPI bridge) learns of the program's
// own controls: the seven-segment display's interface, and the way its changes are announced.
#include <QAccessible>

class TSevenSeg;

namespace accessibility {

// Makes Qt describe every TSevenSeg by the interface below; once is enough, later calls do nothing.
void installDisplayInterface();

// True while someone listens: a screen reader, or a sink set below.
bool listening();
// Hands the event on. Qt passes events on only while a screen reader is attached.
void post(QAccessibleEvent* event);
// Events go to `sink` instead of Qt while it is set (nullptr restores Qt); lets a test without a
// screen reader see them.
using EventSink = void (*)(QAccessibleEvent* event);
void setEventSink(EventSink sink);

}  // namespace accessibility

#pragma once
// The address lists of the windows: one entry per panel address, shown as "0x" and two hexadecimal
// digits, the number the text reads as (the slot it names) kept as the entry's data so nothing
// reads it back from the text.
#include <QList>

class QComboBox;

void fillAddressList(QComboBox& list, const QList<int>& addresses);
QList<int> addressListSlots(const QComboBox& list);
// The first entry becomes the current one with its own text, over anything typed; an empty list
// is left with the empty text.
void selectFirstEntry(QComboBox& list);
// The slot of the current entry. Text the operator typed over it is an address of their own and is
// converted with HexToInt (which throws on a malformed one); an empty list and text give slot 0.
int selectedAddressSlot(const QComboBox& list);
// The entry holding `slot`, or -1.
int addressEntry(const QComboBox& list, int slot);

#pragma once
// What the session flow asks of the screen. The main window implements it; tests record the calls.
#include <QList>
#include <QString>

class SessionScreen {
 public:
  virtual ~SessionScreen() = default;

  // Empties the address list (entries and typed text), fills it with one entry per address in this
  // order and selects the first.
  virtual void setAddressList(const QList<int>& addresses) = 0;
  // Makes the first entry the current one, its text included (an empty list: the empty text).
  virtual void selectFirstAddress() = 0;
  // The slot the address list names: its current entry, or the address the operator typed.
  virtual int selectedSlot() const = 0;
  // The model name and the operator's own name of the picked panel.
  virtual void showProduct(const QString& name, const QString& userName) = 0;
  virtual void showMessage(const QString& text) = 0;

  virtual void closeTunerWindows() = 0;
  virtual void RemoveStatus() = 0;
  virtual void UpdateUsrButtons() = 0;
  // Shows the slot's model box alone (none for a slot of no known model).
  virtual void VisPanel(int slot) = 0;
  // Shows the slot's model box with its caption and readout; a slot of no known model leaves the
  // boxes as they are.
  virtual void showForAddressChange(int slot) = 0;
  virtual void OppdaterPanel(int slot) = 0;
  virtual void StatusScroll() = 0;
  virtual void refreshStatusList() = 0;
  // Refreshes the display of every open tuner window.
  virtual void refreshTuners() = 0;
};

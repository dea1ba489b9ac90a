#pragma once
// The scan of the installation, the status poll, and the address list of the "System control" box.
#include <functional>

class ControllerLink;
class QComboBox;
class QLabel;
class QLineEdit;

// The screen operations of the other regions that the scan runs, in its own order.
struct ScanScreen {
  std::function<void()> closeTunerWindows;
  std::function<void()> RemoveStatus;
  std::function<void()> UpdateUsrButtons;
  std::function<void(int slot)> VisPanel;
  std::function<void(int slot)> OppdaterPanel;
  std::function<void(int slot)> showForAddressChange;
  std::function<void()> StatusScroll;
};

class SystemScan {
 public:
  SystemScan(ControllerLink& link, QComboBox* cbAddress, QLabel* lblProdukt, QLineEdit* edtUserDefName,
             ScanScreen screen);

  void RensSkjerm();
  void btnScanClick();
  void OppdaterComboBoxer();
  void OppdaterStatus();
  // Selects the first address and shows and fills its panel.
  void showFirstPanel();
  void cbAddressChange();
  void lblProduktClick();

 private:
  ControllerLink& link_;
  QComboBox* cbAddress_;
  QLabel* lblProdukt_;
  QLineEdit* edtUserDefName_;
  ScanScreen screen_;
};

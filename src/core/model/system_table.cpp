#include "core/model/system_table.h"

#include <cstring>

#include "core/model/panel_models.h"

TSystemRecord SystemArray[SystemSlots];
TTunerRecord TunerArray[TunerSlots];
TUsrBtnType UsrButtons[UsrButtonSlots];

int Antall = 0;
int AntallTunere = 0;
bool FirstScanDone = false;
bool StatusShown = false;
bool StrengMottatt = false;
QString RxStr;
QString InstalledPath;
int Orv11APos = 0;
bool Tuner1Shown = false;
bool Tuner2Shown = false;
int KnappNr = 0;

FixedText<255>* TSystemRecord::btnTxt(int port) {
  FixedText<255>* labels[] = {&Btn1Txt, &Btn2Txt, &Btn3Txt, &Btn4Txt, &Btn5Txt, &Btn6Txt, &Btn7Txt, &Btn8Txt};
  return port >= 1 && port <= 8 ? labels[port - 1] : nullptr;
}

const FixedText<255>* TSystemRecord::btnTxt(int port) const { return const_cast<TSystemRecord*>(this)->btnTxt(port); }

void resetProgramState() {
  std::memset(SystemArray, 0, sizeof SystemArray);
  std::memset(TunerArray, 0, sizeof TunerArray);
  std::memset(UsrButtons, 0, sizeof UsrButtons);
  Antall = 0;
  AntallTunere = 0;
  FirstScanDone = false;
  StatusShown = false;
  StrengMottatt = false;
  RxStr.clear();
  Orv11APos = 0;
  Tuner1Shown = false;
  Tuner2Shown = false;
  KnappNr = 0;
}

#pragma once
// The program-wide tables and run-time values. Plain data: every part reads and writes the fields
// directly, always from the user-interface thread.
#include <QString>

#include "core/model/panel_models.h"  // Orv0Navn and the other descriptions
#include "core/model/records.h"

constexpr int SystemSlots = 128;
constexpr int TunerSlots = 4;
constexpr int MaxUsrBtns = 20;
constexpr int UsrButtonSlots = MaxUsrBtns + 1;  // the last one is the editor's spare
constexpr int Delay = 100;                      // ms after each polled request and each replayed line

extern TSystemRecord SystemArray[SystemSlots];
extern TTunerRecord TunerArray[TunerSlots];
extern TUsrBtnType UsrButtons[UsrButtonSlots];

extern int Antall;
extern int AntallTunere;
extern bool FirstScanDone;
extern bool StatusShown;
extern bool StrengMottatt;
extern QString RxStr;
extern QString InstalledPath;
extern int Orv11APos;
extern bool Tuner1Shown;
extern bool Tuner2Shown;
// The tuner memory button last right-clicked in either tuner window (0 before the first one).
extern int KnappNr;

inline const QString CrLf = QStringLiteral("\r\n");
constexpr int PanelTopp = 8;
constexpr int PanelVenstre = 8;

inline bool isSystemSlot(int n) { return n >= 0 && n < SystemSlots; }

// Every table to zero bytes and every run-time value to its start value; InstalledPath is kept.
void resetProgramState();

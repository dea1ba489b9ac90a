#pragma once
// The panel models the program knows, one row each: what differs from model to model, for every
// part that acts by model. The look of each model's control box is the window's.
#include <QAnyStringView>
#include <QLatin1String>
#include <QString>

#include "core/model/records.h"

inline const QString Orv0Navn = QStringLiteral("No Response");
inline const QString Orv11Navn = QStringLiteral("Orvane Feedline Extender/Tuner");
inline const QString Orv15Navn = QStringLiteral("Orvane Radio Router");
inline const QString Orv18Navn = QStringLiteral("Orvane 8 Port Auxiliary Switch");

struct PanelModel {
  QLatin1String name;          // as a controller reports it, compared whole and case-sensitively
  const QString& description;  // what the scan puts in BrukerDef
  int digits;                  // digits of its readouts; a hexadecimal setting shows at least as many
  bool hexadecimal;            // its setting is shown in hexadecimal, else in decimal
  int lowest, highest;         // the settings its controls keep to
  bool tuner;                  // numbered into AntallTunere and TunerNr, with a tuner memory
  bool listed;                 // has a block in the status list

  QString settingText(int value) const;
  // `delta` settings on from `setting`, always within lowest..highest: a controller may report a
  // setting outside the range, and a step never goes there.
  int step(int setting, int delta) const;
};

extern const PanelModel Orv0Model;
extern const PanelModel Orv11Model;
extern const PanelModel Orv15Model;
extern const PanelModel Orv18Model;

// The row of that model name, or nullptr.
const PanelModel* panelModelNamed(QAnyStringView name);
// The row of the record's Navn; looked at for every panel at every reply, so the name is not copied.
const PanelModel* panelModelOf(const TSystemRecord& rec);

// The record's Status as its model shows it; a panel of no known model shows it in decimal.
QString settingTextOf(const TSystemRecord& rec);

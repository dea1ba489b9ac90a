#include "core/model/panel_models.h"

#include <algorithm>

#include "core/model/formatting.h"

// A panel that did not answer properly: no controls of its own, no block.
const PanelModel Orv0Model{.name = QLatin1String("Orv0"),
                           .description = Orv0Navn,
                           .digits = 1,
                           .hexadecimal = false,
                           .lowest = 0,
                           .highest = 0,
                           .tuner = false,
                           .listed = false};
const PanelModel Orv11Model{.name = QLatin1String("Orv11"),
                            .description = Orv11Navn,
                            .digits = 2,
                            .hexadecimal = true,
                            .lowest = 0,
                            .highest = 255,
                            .tuner = true,
                            .listed = true};
const PanelModel Orv15Model{.name = QLatin1String("Orv15"),
                            .description = Orv15Navn,
                            .digits = 1,
                            .hexadecimal = false,
                            .lowest = 1,
                            .highest = 8,
                            .tuner = false,
                            .listed = true};
const PanelModel Orv18Model{.name = QLatin1String("Orv18"),
                            .description = Orv18Navn,
                            .digits = 1,
                            .hexadecimal = false,
                            .lowest = 1,
                            .highest = 8,
                            .tuner = false,
                            .listed = true};

namespace {
const PanelModel* const kModels[] = {&Orv0Model, &Orv11Model, &Orv15Model, &Orv18Model};
}  // namespace

QString PanelModel::settingText(int value) const { return hexadecimal ? hexText(value, digits) : decimalText(value); }

int PanelModel::step(int setting, int delta) const {
  return static_cast<int>(std::clamp<qint64>(qint64(setting) + delta, lowest, highest));
}

const PanelModel* panelModelNamed(QAnyStringView name) {
  for (const PanelModel* m : kModels)
    if (QAnyStringView::equal(name, m->name)) return m;
  return nullptr;
}

const PanelModel* panelModelOf(const TSystemRecord& rec) {
  // The record's 8-bit text, byte for byte: a byte outside ASCII never equals a model name's.
  const QByteArrayView navn(rec.Navn.chars, rec.Navn.size());
  for (const PanelModel* m : kModels)
    if (navn == QByteArrayView(m->name.data(), m->name.size())) return m;
  return nullptr;
}

QString settingTextOf(const TSystemRecord& rec) {
  const PanelModel* model = panelModelOf(rec);
  return model ? model->settingText(rec.Status) : decimalText(rec.Status);
}

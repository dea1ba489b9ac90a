#include "core/model/panel_models.h"

#include <algorithm>

#include "core/model/formatting.h"

const PanelModel Orv0Model{QLatin1String("Orv0"), Orv0Navn, 1, false, 0, 0, false, false};
const PanelModel Orv11Model{QLatin1String("Orv11"), Orv11Navn, 2, true, 0, 255, true, true};
const PanelModel Orv15Model{QLatin1String("Orv15"), Orv15Navn, 1, false, 1, 8, false, true};
const PanelModel Orv18Model{QLatin1String("Orv18"), Orv18Navn, 1, false, 1, 8, false, true};

namespace {
const PanelModel* const kModels[] = {&Orv0Model, &Orv11Model, &Orv15Model, &Orv18Model};
}  // namespace

QString PanelModel::settingText(int value) const { return hexadecimal ? hexText(value, digits) : decimalText(value); }

int PanelModel::step(int setting, int delta) const {
  return static_cast<int>(std::clamp<qint64>(qint64(setting) + delta, lowest, highest));
}

std::span<const PanelModel* const> panelModels() { return kModels; }

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

#pragma once
// The gate of a hub without access rules: every client may set every panel.
#include "set_gate.h"

class AllowAllGate final : public SetGate {
 public:
  void clientJoined(quint64, const QString&, const QHostAddress&, bool) override {}
  void clientLeft(quint64) override {}
  std::optional<SetRefusal> checkSet(quint64, int) const override { return std::nullopt; }
};

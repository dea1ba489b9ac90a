#pragma once
// A radio whose link and readings the test sets.
#include "core/follow/frequency_source.h"

class FakeSource : public FrequencySource {
 public:
  void start() override {}
  QString name() const override { return QStringLiteral("rig"); }
  void link(bool up) { emit linkChanged(up, up ? QString() : QStringLiteral("gone")); }
  void read(Transmit transmit) { emit stateRead({14'074'000, transmit, false}); }
};

// Arbitrary lines from a rig into the reader of rigctld's labelled answers: a frequency it takes is
// a radio frequency, and only a transmit answer says whether the radio transmits.
#include <QByteArrayView>

#include <cstdint>
#include <cstdlib>

#include "core/follow/band_map.h"
#include "core/follow/rig_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto answer = readRigAnswer(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  if (!answer) return 0;
  if (answer->hz && (answer->to != RigAnswer::To::Frequency || !isRadioFrequency(*answer->hz))) std::abort();
  if (answer->transmit != Transmit::Unknown && answer->to != RigAnswer::To::Transmit) std::abort();
  return 0;
}

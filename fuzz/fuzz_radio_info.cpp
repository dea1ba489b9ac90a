// Arbitrary UDP packets into the logger's RadioInfo reader: whatever it takes must be a radio
// frequency and a radio number, and whatever it refuses must say why.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

#include "core/follow/band_map.h"
#include "core/follow/radio_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray packet(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QString why;
  const auto info = readRadioInfo(packet, &why);
  if (!info) return 0;
  if (!why.isEmpty() || !isRadioFrequency(info->txHz)) std::abort();
  for (int nr : {info->radioNr, info->activeRadioNr})
    if (nr < 0 || nr > kHighestRadioNr) std::abort();
  return 0;
}

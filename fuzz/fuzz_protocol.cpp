// Arbitrary chunks from the controller into the reply readers. The fast status readings are
// checked against plain, literal readings of the same rules.
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/link/protocol.h"
#include "core/model/codepage.h"
#include "core/model/system_table.h"

namespace {

void literalGetStatus(QString s, int* status) {
  s.remove(0, 3);
  for (;;) {
    const qsizetype ret = s.indexOf(u" Ret");
    const int address = StrToInt(QString(u'$').append(ret < 0 ? QString() : s.left(ret)));
    if (const qsizetype eq = s.indexOf(u'='); eq >= 0) s.remove(0, eq + 1);
    s = FjernCRLF(s);
    const qsizetype hash = s.indexOf(u'#');
    const int value = StrToInt(hash < 0 ? s : s.left(hash));
    if (isSystemSlot(address)) status[address] = value;
    if (hash < 0) return;
    s.remove(0, hash + 1 + 2);
  }
}

QList<int> literalReplyAddresses(QString s) {
  QList<int> addresses;
  while (s.size() > 2) {
    s.remove(0, 1);
    if (s.startsWith(u'#')) s.remove(0, 1);
    const qsizetype ret = s.indexOf(u" Ret");
    const int address = HexToInt(ret < 0 ? QString() : s.left(ret));
    if (isSystemSlot(address)) addresses.append(address);
    const qsizetype cr = s.indexOf(u'\r');
    if (cr < 0) break;
    s.remove(0, cr + 1);
  }
  return addresses;
}

// Runs `f`; returns its failure message, or "" when it succeeded.
template <class F>
QString failureOf(F&& f) {
  try {
    f();
  } catch (const ConversionError& e) {
    return e.message();
  }
  return QStringLiteral("");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString chunk = codepage::decode(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));

  resetProgramState();
  (void)failureOf([&] { GetNames(chunk); });
  for (const TSystemRecord& r : SystemArray)
    if (r.TunerNr < 0) std::abort();

  resetProgramState();
  const QString fast = failureOf([&] { GetStatus(chunk); });
  int fastStatus[SystemSlots];
  for (int n = 0; n < SystemSlots; ++n) fastStatus[n] = SystemArray[n].Status;
  int literalStatus[SystemSlots] = {};
  const QString literal = failureOf([&] { literalGetStatus(chunk, literalStatus); });
  if (fast != literal || std::memcmp(fastStatus, literalStatus, sizeof fastStatus) != 0) std::abort();

  QList<int> fastAddresses, literalAddresses;
  const QString fastFailure = failureOf([&] { fastAddresses = ReplyAddresses(parseStatusReplies(chunk), chunk); });
  const QString literalFailure = failureOf([&] { literalAddresses = literalReplyAddresses(chunk); });
  if (fastFailure != literalFailure || fastAddresses != literalAddresses) std::abort();
  return 0;
}

// Arbitrary lines from a client of the hub, read as requests. A line is a request only when the
// program's own command builders write exactly that line, and what it asks lies in range.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

#include "client_request.h"
#include "core/link/protocol.h"
#include "core/model/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString line = codepage::decode(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
  const std::optional<Request> request = readClientRequest(line);
  if (!request) return 0;
  QString written;
  switch (request->kind) {
    case Request::Kind::Name: written = command::nameRequest(); break;
    case Request::Kind::Status:
      if (request->address < 0 || request->address > 0x7F) std::abort();
      written = command::statusRequest(request->address);
      break;
    case Request::Kind::Set:
      if (request->address < 0 || request->address > 0x7F || request->value < 0 || request->value > 255) std::abort();
      written = command::setValue(request->address, request->value);
      break;
  }
  if (written != line + QStringLiteral("\r\n")) std::abort();
  return 0;
}

#pragma once
// What a client of the hub may send on the line port: exactly the controller's own commands, as the
// program's command builders write them. Anything else is no request.
#include <QStringView>

#include <optional>

#include "core/link/request_queue.h"

// The request `line` (without its line end) asks for: the name request, a panel's status
// (0x00..0x7F) or a new value (0..255) for one.
std::optional<Request> readClientRequest(QStringView line);

// The status reply the controller would send: "#0xAA Ret X:1=V", without its line end.
QString statusReplyLine(int address, int value);

#pragma once
// The commands that act on panels: scan, get, set, step, recall and run. Each returns what it has
// to say; a failure is a CommandFailure.
#include <QStringList>

#include <optional>

#include "core/follow/band_map.h"
#include "core/link/protocol.h"
#include "orvctl_session.h"

struct PanelCommand {
  const char* name;
  const char* shape;  // its arguments, for the usage
  const char* what;
  Result (*run)(Session&, const QStringList&);
  qsizetype arguments;  // -1: checked by the command
};

extern const PanelCommand kPanelCommands[6];

// nullptr for another name; BadUse with its usage for the wrong number of arguments.
const PanelCommand* panelCommand(const QString& name, const QStringList& args);

// The name request and its reply, taken into the table as the program does.
NameReply readNames(Session& s);
// Warns of the panels a name reply places where no panel can be used.
void warnOfUnusable(Session& s, const NameReply& names);

// The memory's setting and its tuner's address when it was ever stored: a memory left as the
// program makes it (label "No config", or no label, at setting 0) has none. Tuner.dat read first.
std::optional<TunerMemory> storedTunerMemory(int tuner, int memory);

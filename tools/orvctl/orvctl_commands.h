#pragma once
// orvctl's command line: the global options, the subcommands, and what each prints.
#include <QStringList>
#include <QTextStream>

// Runs one command line (the arguments after the program name); returns the exit status and
// writes what it has to say to `out` and `err` (one line naming what failed). Batches read `in`.
int runOrvctl(const QStringList& args, QTextStream& in, QTextStream& out, QTextStream& err);

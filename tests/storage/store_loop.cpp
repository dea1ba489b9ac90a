// Stores CurrentSetup.dat again and again, each time filled with the next generation's byte, and
// says so on stdout after each store; a test kills it with SIGKILL somewhere in between.
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

#include "core/model/system_table.h"
#include "core/storage/record_files.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) return 2;
  InstalledPath = QString::fromLocal8Bit(argv[1]) + u'/';
  records::createConfigurationsFolder();
  for (unsigned generation = 1;; ++generation) {
    std::memset(SystemArray, static_cast<int>(generation % 251) + 1, sizeof SystemArray);
    if (const FileResult stored = records::storeSystemSetup(); !stored) {
      std::fprintf(stderr, "%s\n", qPrintable(stored.error));
      return 1;
    }
    std::printf("stored %u\n", generation);
    std::fflush(stdout);
  }
}

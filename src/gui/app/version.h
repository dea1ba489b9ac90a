#pragma once
// The program's version information. Linux executables carry no version resource, so the build
// compiles one in, laid out as such a resource is read: a translation, then named string values.
#include <QList>
#include <QMap>
#include <QString>

enum TVerResourceKey {
  vrComments,
  vrCompanyName,
  vrFileDescription,
  vrFileVersion,
  vrInternalName,
  vrLegalCopyright,
  vrLegalTrademarks,
  vrOriginalFilename,
  vrPrivateBuild,
  vrProductName,
  vrProductVersion,
  vrSpecialBuild,
};

extern const QString KeyWordStr[12];

struct VersionResource {
  QList<quint32> translations;    // language in the low 16 bits, code page in the high 16
  QMap<QString, QString> values;  // by path, "\StringFileInfo\040904E4\FileVersion"
};

// The resource built into this executable; nullptr would mean it has none.
const VersionResource* programVersionResource();

// Empty text without a resource; throws OperatorError("????????????") without a translation.
QString GetVersionInfo(TVerResourceKey KeyWord, const VersionResource* resource = programVersionResource());

#include "gui/app/version.h"

#include "gui/app/version_config.h"
#include "core/model/operator_error.h"

const QString KeyWordStr[12] = {
    QStringLiteral("Comments"),        QStringLiteral("CompanyName"),      QStringLiteral("FileDescription"),
    QStringLiteral("FileVersion"),     QStringLiteral("InternalName"),     QStringLiteral("LegalCopyright"),
    QStringLiteral("LegalTrademarks"), QStringLiteral("OriginalFilename"), QStringLiteral("PrivateBuild"),
    QStringLiteral("ProductName"),     QStringLiteral("ProductVersion"),   QStringLiteral("SpecialBuild"),
};

const VersionResource* programVersionResource() {
  static const VersionResource resource{
      {0x04E40409u},
      {
          {QStringLiteral("\\StringFileInfo\\040904E4\\FileVersion"), QStringLiteral(ORV_FILE_VERSION)},
          {QStringLiteral("\\StringFileInfo\\040904E4\\ProductVersion"), QStringLiteral(ORV_FILE_VERSION)},
          {QStringLiteral("\\StringFileInfo\\040904E4\\ProductName"), QStringLiteral("OrvControlClient")},
          {QStringLiteral("\\StringFileInfo\\040904E4\\OriginalFilename"), QStringLiteral("OrvControlClient")},
      }};
  return &resource;
}

QString GetVersionInfo(TVerResourceKey KeyWord, const VersionResource* resource) {
  if (!resource) return {};
  if (resource->translations.isEmpty()) throw OperatorError(QStringLiteral("????????????"));
  const quint32 translation = resource->translations.constFirst();
  auto hex4 = [](quint32 v) { return QString::number(v & 0xFFFF, 16).toUpper().rightJustified(4, u'0'); };
  const QString path =
      QStringLiteral("\\StringFileInfo\\") + hex4(translation) + hex4(translation >> 16) + u'\\' + KeyWordStr[KeyWord];
  return resource->values.value(path);
}

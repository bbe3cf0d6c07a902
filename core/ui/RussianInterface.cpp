#include "core/ui/RussianInterface.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const QLocale kRussian(QLocale::Russian, QLocale::Russia);

// Qt's Russian word for bytes ("байты") does not agree with the number; larger sizes read well.
QString sizeText(qint64 bytes) {
  if (bytes >= 1024) return kRussian.formattedDataSize(bytes);
  const qint64 tens = bytes % 100, units = bytes % 10;
  const bool few = units >= 2 && units <= 4 && (tens < 12 || tens > 14);
  return QString::number(bytes) + (few ? QStringLiteral(" байта") : QStringLiteral(" байт"));
}

// The size, type and date columns of the dialog's file list, in Russian.
class RussianFileList : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || index.column() == 0)
      return QIdentityProxyModel::data(index, role);
    const QFileInfo info = files->fileInfo(mapToSource(index));
    switch (index.column()) {
      case 1:
        return info.isDir() ? QString() : sizeText(info.size());
      case 2:
        // A file's type name follows the program's locale already; a folder's has none.
        return info.isDir() ? QStringLiteral("Папка") : QIdentityProxyModel::data(index, role);
      case 3:
        return kRussian.toString(info.lastModified(), QLocale::ShortFormat);
      default:
        return QIdentityProxyModel::data(index, role);
    }
  }
};

}  // namespace

bool installRussianInterface(QCoreApplication& app) {
  QLocale::setDefault(kRussian);
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ru"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

void prepareFileDialog(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setProxyModel(new RussianFileList(&dialog));
}

#include "recent_files.h"

#include <QFileInfo>

namespace vyx::panel {

namespace {
const QString kKey = QStringLiteral("documents/recent");
QString Absolute(const QString& path) { return QFileInfo(path).absoluteFilePath(); }
}  // namespace

QStringList RecentFiles::list() const {
  QStringList files = settings_.value(kKey).toStringList();
  files.removeAll(QString());
  return files.mid(0, kMax);
}

void RecentFiles::add(const QString& path) {
  const QString file = Absolute(path);
  QStringList files = list();
  files.removeAll(file);
  files.prepend(file);
  store(files.mid(0, kMax));
}

void RecentFiles::remove(const QString& path) {
  QStringList files = list();
  files.removeAll(Absolute(path));
  store(files);
}

void RecentFiles::clear() { store({}); }

void RecentFiles::store(const QStringList& files) { settings_.setValue(kKey, files); }

}  // namespace vyx::panel

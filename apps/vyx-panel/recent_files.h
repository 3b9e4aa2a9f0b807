// The documents opened or saved lately, newest first, kept in the application's settings.
#pragma once

#include <QSettings>
#include <QStringList>

namespace vyx::panel {

class RecentFiles {
 public:
  static constexpr int kMax = 8;

  // The settings object must outlive this.
  explicit RecentFiles(QSettings& settings) : settings_(settings) {}

  QStringList list() const;
  // Moves path to the front (absolute, so that the entry survives a change of directory).
  void add(const QString& path);
  void remove(const QString& path);
  void clear();

 private:
  void store(const QStringList& files);
  QSettings& settings_;
};

}  // namespace vyx::panel

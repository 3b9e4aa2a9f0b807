// A property bag kept in QSettings, for hosts that keep their documents there (an INI file,
// the platform's native store). Keys live under one group, so that several components can
// share one settings file.
#pragma once

#include <QSettings>
#include <QString>

#include "control/host.h"

namespace vyx::documents {

class SettingsBag : public PropertyBag {
 public:
  // The settings object must outlive the bag. An empty group keeps the keys at the top.
  explicit SettingsBag(QSettings& settings, QString group = {});

  // Native formats keep the value's type; an INI file gives every value back as text,
  // which the component converts to the field's type ("true", "-1", "55").
  Status Read(std::string_view key, const PropValue& def, BagValue& out) override;
  // Every value is written, defaults included, so that an older value under the key
  // cannot survive a save.
  Status Write(std::string_view key, const PropValue& value, const PropValue& def) override;

  // Writes what is pending to storage and reports whether that worked.
  Status Sync();

 private:
  QString path(std::string_view key) const;

  QSettings& settings_;
  QString group_;
};

}  // namespace vyx::documents

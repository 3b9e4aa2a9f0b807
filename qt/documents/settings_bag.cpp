#include "settings_bag.h"

#include <QMetaType>
#include <QVariant>
#include <variant>

#include "json_values.h"

namespace vyx::documents {
namespace {

std::string Quoted(std::string_view key) { return "\"" + std::string(key) + "\""; }

// As the bag stores it: INI keeps a whole number as plain text only if it is an int or wider.
QVariant Stored(const PropValue& value) {
  const BagValue v = BagValueOf(value);
  if (const auto* s = std::get_if<std::string>(&v)) return QString::fromStdString(*s);
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  return static_cast<qlonglong>(std::get<std::int64_t>(v));
}

}  // namespace

SettingsBag::SettingsBag(QSettings& settings, QString group)
    : settings_(settings), group_(std::move(group)) {}

QString SettingsBag::path(std::string_view key) const {
  const QString k = QString::fromUtf8(key.data(), qsizetype(key.size()));
  return group_.isEmpty() ? k : group_ + QLatin1Char('/') + k;
}

Status SettingsBag::Read(std::string_view key, const PropValue& def, BagValue& out) {
  if (settings_.status() != QSettings::NoError) {
    // A store that could not be read must not pass for one that holds no keys.
    return Status::Fail(Quoted(key) + ": the settings store " + settings_.fileName().toStdString() +
                        " could not be read");
  }
  const QString p = path(key);
  if (!settings_.contains(p)) {
    out = BagValueOf(def);
    return Status::Ok();
  }
  const QVariant v = settings_.value(p);
  switch (v.metaType().id()) {
    case QMetaType::QString:
      out = v.toString().toStdString();
      return Status::Ok();
    case QMetaType::Bool:
      out = v.toBool();
      return Status::Ok();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
      out = static_cast<std::int64_t>(v.toLongLong());
      return Status::Ok();
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
      const qulonglong u = v.toULongLong();
      // Past the 64-bit signed range it fits no field anyway; say so rather than wrap.
      if (u > static_cast<qulonglong>(INT64_MAX)) {
        return Status::Fail(Quoted(key) + ": " + std::to_string(u) + " is out of range");
      }
      out = static_cast<std::int64_t>(u);
      return Status::Ok();
    }
    case QMetaType::Double:
    case QMetaType::Float:
      out = v.toDouble();
      return Status::Ok();
    case QMetaType::QStringList:
      // An INI line with an unquoted comma reads back as a list.
      return Status::Fail(Quoted(key) + ": a list of values, not one value");
    default:
      return Status::Fail(Quoted(key) + ": a stored " + std::string(v.metaType().name()) +
                          " is not a text, number or Boolean");
  }
}

Status SettingsBag::Write(std::string_view key, const PropValue& value, const PropValue&) {
  if (!settings_.isWritable()) {
    return Status::Fail(Quoted(key) + ": the settings store " + settings_.fileName().toStdString() +
                        " cannot be written");
  }
  settings_.setValue(path(key), Stored(value));
  return Status::Ok();
}

Status SettingsBag::Sync() {
  settings_.sync();
  switch (settings_.status()) {
    case QSettings::NoError:
      return Status::Ok();
    case QSettings::AccessError:
      return Status::Fail("cannot write the settings store " + settings_.fileName().toStdString());
    case QSettings::FormatError:
      return Status::Fail("the settings store " + settings_.fileName().toStdString() +
                          " is not in a readable format");
  }
  return Status::Fail("the settings store failed");
}

}  // namespace vyx::documents

#include "json_document_bag.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <cmath>

#include "document_file.h"
#include "json_values.h"

namespace vyx::documents {
namespace {

std::string Quoted(std::string_view key) { return "\"" + std::string(key) + "\""; }

QString KeyOf(std::string_view key) {
  return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

Status JsonDocumentBag::Load(const QString& path) {
  const std::string name = path.toStdString();
  QByteArray bytes;
  if (const Status s = ReadDocumentFile(path, kMaxDocumentBytes, bytes); !s) return s;

  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError)
    return Status::Fail(name + " is not a JSON document: " + error.errorString().toStdString() +
                        " at offset " + std::to_string(error.offset));
  if (!doc.isObject())
    return Status::Fail(name + " is not a document: its top level is not a JSON object");
  object_ = doc.object();
  return Status::Ok();
}

Status JsonDocumentBag::SaveTo(const QString& path) const {
  return WriteDocumentFile(path, QJsonDocument(object_).toJson(QJsonDocument::Indented));
}

Status JsonDocumentBag::Read(std::string_view key, const PropValue& def, BagValue& out) {
  lastReadKey_ = std::string(key);
  const QJsonValue v = object_.value(KeyOf(key));
  switch (v.type()) {
    case QJsonValue::Undefined:
      out = BagValueOf(def);
      return Status::Ok();
    case QJsonValue::String:
      out = v.toString().toStdString();
      return Status::Ok();
    case QJsonValue::Bool:
      out = v.toBool();
      return Status::Ok();
    case QJsonValue::Double: {
      // Qt keeps a number written without fraction or exponent as a 64-bit integer.
      if (v.toVariant().typeId() == QMetaType::LongLong) {
        out = static_cast<std::int64_t>(v.toInteger());
        return Status::Ok();
      }
      const double d = v.toDouble();
      // A whole number written as 2.0 or 1e3 is still a whole number to a person.
      if (std::trunc(d) == d && d >= -9.2e18 && d <= 9.2e18) {
        out = static_cast<std::int64_t>(d);
      } else {
        out = d;
      }
      return Status::Ok();
    }
    case QJsonValue::Null:
      return Status::Fail("key " + Quoted(key) + ": null is not a value");
    case QJsonValue::Array:
      return Status::Fail("key " + Quoted(key) + ": an array is not a value");
    case QJsonValue::Object:
      return Status::Fail("key " + Quoted(key) + ": an object is not a value");
  }
  return Status::Fail("key " + Quoted(key) + ": unknown JSON type");
}

Status JsonDocumentBag::Write(std::string_view key, const PropValue& value, const PropValue&) {
  QJsonValue v;
  if (const auto* s = std::get_if<std::string>(&value)) {
    v = QString::fromStdString(ToUtf8(*s));
  } else if (const auto* b = std::get_if<bool>(&value)) {
    v = *b;
  } else {
    v = static_cast<qint64>(std::get<std::int16_t>(value));
  }
  object_.insert(KeyOf(key), v);
  return Status::Ok();
}

}  // namespace vyx::documents

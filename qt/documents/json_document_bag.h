// A property bag kept as a JSON document: one object whose members are the saved keys.
// The desktop host and the console share it, so a document saved by one opens in the other.
#pragma once

#include <QJsonObject>
#include <QString>
#include <string>

#include "control/host.h"
#include "control/status.h"

namespace vyx::documents {

class JsonDocumentBag : public PropertyBag {
 public:
  // Documents are a few kilobytes; anything this large is not one of ours.
  static constexpr qint64 kMaxDocumentBytes = 16 * 1024 * 1024;

  JsonDocumentBag() = default;
  explicit JsonDocumentBag(QJsonObject object) : object_(std::move(object)) {}

  // Replaces the contents with the document at `path`. A file that cannot be read, is not a
  // regular file, is too large, does not parse, or whose top level is not an object fails
  // and changes nothing.
  Status Load(const QString& path);
  // Writes the document atomically: the old file stays whole until the new one is complete,
  // and a failed write leaves it as it was. Only a regular file (or a link to one) is
  // replaced.
  Status SaveTo(const QString& path) const;

  // String, true/false, integral number (int64) or other number (double). An absent key
  // gives the default; null, arrays and objects fail naming the key.
  Status Read(std::string_view key, const PropValue& def, BagValue& out) override;
  // Stores every value, defaults too, so that a document reads the same to a person.
  Status Write(std::string_view key, const PropValue& value, const PropValue& def) override;

  const QJsonObject& Object() const { return object_; }
  // The key of the latest Read, so that a failed restore can say where it stopped.
  const std::string& LastReadKey() const { return lastReadKey_; }

 private:
  QJsonObject object_;
  std::string lastReadKey_;
};

}  // namespace vyx::documents

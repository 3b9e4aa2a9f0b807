// The document reader: any file contents loaded into the JSON document bag and restored into
// a component. A document that does not load changes nothing; one that loads restores as far
// as its first bad key. What a component saves it restores exactly: saving, restoring the
// save into a fresh component and saving again gives the same document.
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "json_document_bag.h"
#include "rig.h"

namespace {

QString ScratchPath() { return QStringLiteral("/tmp/vyx-document-fuzz-%1.json").arg(::getpid()); }

QByteArray Saved(const vyx::Vyx& v) {
  vyx::documents::JsonDocumentBag bag;
  fuzz::Require(v.Save(bag).ok(), "saving into a document bag succeeds");
  return QJsonDocument(bag.Object()).toJson(QJsonDocument::Compact);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString path = ScratchPath();
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }

  vyx::documents::JsonDocumentBag bag;
  const vyx::Status loaded = bag.Load(path);
  if (!loaded) {
    fuzz::Require(bag.Object().isEmpty(), "a document that does not load changes nothing");
    fuzz::Require(!loaded.message().empty(), "a failed load says why");
    return 0;
  }

  vyx::test::Rig first;
  const vyx::Status restored = first.vyx.Restore(bag);
  if (!restored) {
    fuzz::Require(!bag.LastReadKey().empty(), "a failed restore knows its key");
  }
  const QByteArray once = Saved(first.vyx);

  vyx::documents::JsonDocumentBag again(QJsonDocument::fromJson(once).object());
  vyx::test::Rig second;
  fuzz::Require(second.vyx.Restore(again).ok(), "a saved document restores without error");
  fuzz::Require(Saved(second.vyx) == once, "save, restore and save again gives the same document");
  return 0;
}

#include "ui/qt/drag.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "ui/qt/text.h"

namespace quillet::qt {
namespace {

// The path of the local file a URL names, as bytes. A file manager sends the
// name's bytes percent-encoded: where the URL's path is the file's path (no
// host, no drive letter to take apart) they are taken as they are, so that a
// name that is no valid text passes unchanged. Otherwise the path is
// converted as the text box's text is.
std::string LocalFileBytes(const QUrl& url) {
  const QString path = url.toLocalFile();
  if (url.host().isEmpty() && path == url.path(QUrl::FullyDecoded)) {
    return ToBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
  }
  return ToBytes(path);
}

}  // namespace

forms::Drag DragOf(const QDropEvent& event) {
  forms::Drag drag;
  drag.can_copy = event.possibleActions().testFlag(Qt::CopyAction);
  const QMimeData* mime = event.mimeData();
  if (mime == nullptr || !mime->hasUrls()) return drag;
  for (const QUrl& url : mime->urls()) {
    drag.items.push_back(url.isLocalFile() ? std::optional(LocalFileBytes(url)) : std::nullopt);
  }
  return drag;
}

}  // namespace quillet::qt

#include "ui/main/layouts.h"

#include <QFile>

#include "ui/main/channel_settings.h"
#include "ui/main/main_layout.h"

static void InitUiResources() {
  Q_INIT_RESOURCE(ui);
}

namespace tolva::ui {

void EnsureResources() {
  // The resources live in a static library: nothing registers them unless asked.
  static const bool done = (InitUiResources(), true);
  (void)done;
}

bool BuildLayout(const QString& id, QWidget* root) {
  EnsureResources();
  if (id == QLatin1String(kLayoutMain)) {
    BuildMainLayout(root);
    return true;
  }
  if (id == QLatin1String(kLayoutChannelSettings)) {
    BuildChannelSettings(root);
    return true;
  }
  return false;
}

QString MenuLayoutText(const QString& path) {
  EnsureResources();
  QFile file(QStringLiteral(":/") + path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

}  // namespace tolva::ui

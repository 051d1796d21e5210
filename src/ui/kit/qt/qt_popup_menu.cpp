#include "ui/kit/qt/qt_popup_menu.h"

#include <QAction>
#include <QFile>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QXmlStreamReader>

#include <vector>

#include "ui/kit/api/menu_record.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/qt/qt_window_sink.h"

namespace tolva::kit {
namespace {

constexpr const char* kUserData = "tolvaUserData";
constexpr const char* kIcon = "tolvaIcon";

QIcon IconFor(const QString& image) {
  // Layouts name the images by their historic names ("right.png"); ours are SVG.
  QString base = image;
  const int dot = base.lastIndexOf('.');
  if (dot > 0) base.truncate(dot);
  const QString svg = QStringLiteral(":/images/%1.svg").arg(base);
  return QIcon(QFile::exists(svg) ? svg : QStringLiteral(":/images/") + image);
}

class QtMenuItem final : public MenuItem {
 public:
  explicit QtMenuItem(QAction* action) : action_(action) {}
  std::string Name() const override { return action_ ? action_->objectName().toStdString() : ""; }
  std::string UserData() const override {
    return action_ ? action_->property(kUserData).toString().toStdString() : "";
  }
  std::string Text() const override { return action_ ? action_->text().toStdString() : ""; }
  bool IsVisible() const override { return action_ && action_->isVisible(); }
  void SetVisible(bool visible) override {
    if (action_) action_->setVisible(visible);
  }
  bool IsEnabled() const override { return action_ && action_->isEnabled(); }
  void SetEnabled(bool enabled) override {
    if (action_) action_->setEnabled(enabled);
  }
  void SetIcon(std::string_view image) override {
    if (!action_) return;
    const QString name = QString::fromUtf8(image.data(), static_cast<qsizetype>(image.size()));
    action_->setIcon(name.isEmpty() ? QIcon() : IconFor(name));
    action_->setProperty(kIcon, name);
  }
  bool HasIcon() const override {
    return action_ && !action_->property(kIcon).toString().isEmpty();
  }

 private:
  QPointer<QAction> action_;
};

}  // namespace

QtPopupMenu::QtPopupMenu(QWidget* owner, std::shared_ptr<QtWindowSink> sink)
    : menu_(new QMenu(owner)), sink_(std::move(sink)), context_(std::make_unique<QObject>()) {
  menu_->setObjectName(QStringLiteral("tolvaPopupMenu"));
}

QtPopupMenu::~QtPopupMenu() {
  context_.reset();  // cuts every item connection before the menu goes
  if (menu_) {
    menu_->close();
    menu_->deleteLater();
  }
}

bool QtPopupMenu::Load(const QString& layout_xml) {
  QXmlStreamReader xml(layout_xml);
  std::vector<QMenu*> stack{menu_};
  std::vector<QAction*> pending;  // element just opened, turned into a submenu on a child
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == QLatin1String("MenuElement")) {
      QMenu* parent = stack.back();
      if (!pending.empty() && pending.back() != nullptr) {
        // The open element has children: it becomes a submenu in place of a plain item.
        QAction* item = pending.back();
        auto* sub = new QMenu(item->text(), parent);
        sub->menuAction()->setObjectName(item->objectName());
        sub->menuAction()->setProperty(kUserData, item->property(kUserData));
        parent->insertAction(item, sub->menuAction());
        parent->removeAction(item);
        items_[item->objectName().toStdString()] = std::make_unique<QtMenuItem>(sub->menuAction());
        delete item;
        pending.back() = nullptr;
        stack.push_back(sub);
        parent = sub;
      }
      const QString name = xml.attributes().value(QLatin1String("name")).toString();
      auto* action =
          new QAction(Resolve(xml.attributes().value(QLatin1String("text")).toString()), parent);
      action->setObjectName(name);
      action->setProperty(kUserData, xml.attributes().value(QLatin1String("userdata")).toString());
      // The key that does the same from the window, shown beside the item (the window's own
      // key handling runs it; in the open menu the key picks the item as a click would).
      if (const QString keys = xml.attributes().value(QLatin1String("shortcut")).toString();
          !keys.isEmpty()) {
        action->setShortcut(QKeySequence(keys, QKeySequence::PortableText));
        action->setShortcutVisibleInContextMenu(true);
      }
      parent->addAction(action);
      QObject::connect(action, &QAction::triggered, context_.get(),
                       [this, action] { OnTriggered(action); });
      items_[name.toStdString()] = std::make_unique<QtMenuItem>(action);
      pending.push_back(action);
    } else if (xml.isEndElement() && xml.name() == QLatin1String("MenuElement")) {
      if (!pending.empty()) {
        if (pending.back() == nullptr && stack.size() > 1) stack.pop_back();
        pending.pop_back();
      }
    }
  }
  return !xml.hasError();
}

MenuItem* QtPopupMenu::FindItem(std::string_view name) {
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second.get();
}

void QtPopupMenu::Popup(const QPoint& global_pos) {
  if (menu_) menu_->popup(global_pos);
}

void QtPopupMenu::Close() {
  if (menu_) menu_->close();
}

bool QtPopupMenu::IsOpen() const {
  return menu_ && menu_->isVisible();
}

bool QtPopupMenu::Trigger(std::string_view name) {
  auto* item = FindItem(name);
  if (item == nullptr || !item->IsEnabled() || !item->IsVisible() || !menu_) return false;
  for (QAction* action : menu_->findChildren<QAction*>()) {
    if (action->objectName().toStdString() == name && action->menu() == nullptr) {
      action->trigger();
      return true;
    }
  }
  return false;
}

void QtPopupMenu::OnTriggered(QAction* action) {
  if (action == nullptr || action->menu() != nullptr || !sink_) return;
  auto record = std::make_unique<MenuClickRecord>();
  record->name = action->objectName().toStdString();
  record->user_data = action->property(kUserData).toString().toStdString();
  record->text = action->text().toStdString();
  record->checked = action->isChecked();
  device::Notification n;
  n.message = kMsgMenuClick;
  n.record = std::move(record);
  sink_->Post(std::move(n));
}

}  // namespace tolva::kit

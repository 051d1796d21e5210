#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <string>

#include "ui/kit/api/controls.h"

class QAction;
class QPoint;
class QWidget;

namespace tolva::kit {

class QtWindowSink;

// A popup menu built from a menu layout. Its items are found by name; a click posts
// kMsgMenuClick with a MenuClickRecord to the owner's sink. Layout:
//   <Menu><MenuElement name="..." text="${...}" userdata="..."> [nested elements] </MenuElement>
// An element with children opens a submenu.
class QtPopupMenu final : public PopupMenu {
 public:
  QtPopupMenu(QWidget* owner, std::shared_ptr<QtWindowSink> sink);
  ~QtPopupMenu() override;
  // False when the layout is not well-formed (the items read so far stay).
  bool Load(const QString& layout_xml);

  MenuItem* FindItem(std::string_view name) override;
  // Opens at a screen position (the top-left corner of the menu).
  void Popup(const QPoint& global_pos);
  void Close();
  QMenu* menu() const { return menu_; }
  bool IsOpen() const;
  // Triggers an item as a click would (for tests and keyboard paths).
  bool Trigger(std::string_view name);

 private:
  void OnTriggered(QAction* action);

  QPointer<QMenu> menu_;
  std::shared_ptr<QtWindowSink> sink_;
  std::map<std::string, std::unique_ptr<MenuItem>, std::less<>> items_;
  std::unique_ptr<QObject> context_;  // receiver of the item connections
};

}  // namespace tolva::kit

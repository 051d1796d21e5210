#include "ui/kit/qt/qt_controls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

#include <algorithm>

#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"

namespace tolva::kit {
namespace {

constexpr const char* kItemHeight = "tolvaItemHeight";

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Gives every list item of a combo the height the logic asked for.
class ItemHeightDelegate : public QStyledItemDelegate {
 public:
  ItemHeightDelegate(QComboBox* combo) : QStyledItemDelegate(combo), combo_(combo) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const int height = combo_->property(kItemHeight).toInt();
    if (height > 0) size.setHeight(height);
    return size;
  }

 private:
  QComboBox* combo_;
};

}  // namespace

// --- QtControl

std::string QtControl::Name() const {
  return widget_ ? widget_->objectName().toStdString() : std::string();
}

int QtControl::UserData() const {
  return widget_ ? widget_->property(kUserDataProperty).toInt() : 0;
}

void QtControl::SetUserData(int value) {
  if (widget_) widget_->setProperty(kUserDataProperty, value);
}

std::string QtControl::Text() const {
  return widget_ ? WidgetShownText(widget_).toStdString() : std::string();
}

std::string QtControl::RawText() const {
  return widget_ ? WidgetRawText(widget_).toStdString() : std::string();
}

void QtControl::SetText(std::string_view text) {
  if (!widget_) return;
  const QSignalBlocker block(widget_);
  if (SetWidgetText(widget_, Q(text))) widget_->update();
}

bool QtControl::IsVisible() const {
  return widget_ && !widget_->isHidden();
}

void QtControl::SetVisible(bool visible) {
  if (widget_) widget_->setVisible(visible);
}

bool QtControl::IsEnabled() const {
  return widget_ && widget_->isEnabled();
}

void QtControl::SetEnabled(bool enabled) {
  if (widget_) widget_->setEnabled(enabled);
}

bool QtControl::HasFocus() const {
  return widget_ && widget_->hasFocus();
}

void QtControl::SetFocus() {
  if (widget_) widget_->setFocus(Qt::OtherFocusReason);
}

void QtControl::Invalidate() {
  if (widget_) widget_->update();
}

// --- QtButton

QtButton::QtButton(QAbstractButton* button) : QtControl(button) {}

QAbstractButton* QtButton::button() const {
  return static_cast<QAbstractButton*>(widget_.data());
}

bool QtButton::IsSelected() const {
  if (!widget_) return false;
  if (auto* s = qobject_cast<CSButtonUI*>(widget_)) return s->IsSelected();
  return button()->isChecked();
}

void QtButton::SetSelected(bool selected) {
  if (!widget_) return;
  if (auto* s = qobject_cast<CSButtonUI*>(widget_)) {
    s->SetSelected(selected);
    return;
  }
  const QSignalBlocker block(widget_);
  button()->setChecked(selected);
}

void QtButton::SetTextColor(std::uint32_t argb) {
  if (!widget_) return;
  if (auto* s = qobject_cast<CSButtonUI*>(widget_)) {
    s->SetTextColor(QColor::fromRgba(argb));
    return;
  }
  // Style sheets override palettes.
  widget_->setStyleSheet(QStringLiteral("color: %1;").arg(theme::CssColor(QColor::fromRgba(argb))));
}

// --- QtSlider

QtSlider::QtSlider(QAbstractSlider* slider) : QtControl(slider) {}

QAbstractSlider* QtSlider::slider() const {
  return static_cast<QAbstractSlider*>(widget_.data());
}

int QtSlider::Minimum() const {
  return widget_ ? slider()->minimum() : 0;
}
int QtSlider::Maximum() const {
  return widget_ ? slider()->maximum() : 0;
}
int QtSlider::Value() const {
  return widget_ ? slider()->value() : 0;
}

void QtSlider::SetValue(int value) {
  if (!widget_) return;
  const QSignalBlocker block(widget_);
  slider()->setValue(value);
}

void QtSlider::SetRange(int minimum, int maximum) {
  if (!widget_) return;
  const QSignalBlocker block(widget_);
  slider()->setRange(minimum, maximum);
}

// --- QtEdit

QtEdit::QtEdit(QLineEdit* edit) : QtControl(edit) {}

void QtEdit::SelectAll() {
  if (widget_) static_cast<QLineEdit*>(widget_.data())->selectAll();
}

void QtEdit::SetFocus() {
  if (!widget_) return;
  widget_->setFocus(Qt::OtherFocusReason);
  SelectAll();
}

// --- QtCombo

QtCombo::QtCombo(QComboBox* combo) : QtControl(combo) {}

QComboBox* QtCombo::combo() const {
  return static_cast<QComboBox*>(widget_.data());
}

std::string QtCombo::Text() const {
  return widget_ ? combo()->currentText().toStdString() : "";
}
int QtCombo::Count() const {
  return widget_ ? combo()->count() : 0;
}
int QtCombo::CurSel() const {
  return widget_ ? combo()->currentIndex() : -1;
}

bool QtCombo::SelectItem(int index) {
  if (!widget_ || index < -1 || index >= combo()->count()) return false;
  const QSignalBlocker block(widget_);
  combo()->setCurrentIndex(index);
  return true;
}

std::string QtCombo::ItemText(int index) const {
  return widget_ ? combo()->itemText(index).toStdString() : std::string();
}

void QtCombo::SetItemText(int index, std::string_view text) {
  if (widget_) SetComboItemText(combo(), index, Q(text));
}

std::string QtCombo::ItemName(int index) const {
  return widget_ ? ComboItemName(combo(), index).toStdString() : std::string();
}

int QtCombo::FindItem(std::string_view name) const {
  if (!widget_) return -1;
  const QString wanted = Q(name);
  for (int i = 0; i < combo()->count(); ++i) {
    if (ComboItemName(combo(), i) == wanted) return i;
  }
  return -1;
}

bool QtCombo::IsItemVisible(int index) const {
  auto* view = widget_ ? qobject_cast<QListView*>(combo()->view()) : nullptr;
  if (view == nullptr || index < 0 || index >= combo()->count()) return false;
  return !view->isRowHidden(index);
}

void QtCombo::SetItemVisible(int index, bool visible) {
  auto* view = widget_ ? qobject_cast<QListView*>(combo()->view()) : nullptr;
  if (view == nullptr || index < 0 || index >= combo()->count()) return;
  view->setRowHidden(index, !visible);
  // A hidden item must not be reachable by keys or the wheel either.
  if (auto* model = qobject_cast<QStandardItemModel*>(combo()->model())) {
    if (QStandardItem* item = model->item(index)) item->setEnabled(visible);
  }
}

void QtCombo::SetItemHeight(int pixels) {
  if (!widget_) return;
  if (combo()->property(kItemHeight).isNull()) {
    combo()->view()->setItemDelegate(new ItemHeightDelegate(combo()));
  }
  combo()->setProperty(kItemHeight, std::max(1, pixels));
}

int QtCombo::ItemHeight() const {
  if (!widget_) return 0;
  const QVariant height = combo()->property(kItemHeight);
  if (height.isValid()) return height.toInt();
  return combo()->view()->sizeHintForRow(0);
}

// --- QtList

QtList::QtList(QListWidget* list) : QtControl(list) {}

QListWidget* QtList::list() const {
  return static_cast<QListWidget*>(widget_.data());
}

int QtList::Count() const {
  return widget_ ? list()->count() : 0;
}
int QtList::CurSel() const {
  return widget_ ? list()->currentRow() : -1;
}

bool QtList::SelectItem(int index) {
  if (!widget_ || index < -1 || index >= list()->count()) return false;
  const QSignalBlocker block(widget_);
  list()->setCurrentRow(index);
  return true;
}

void QtList::AddItem(std::string_view text, int user_data) {
  if (!widget_) return;
  const QSignalBlocker block(widget_);
  auto* item = new QListWidgetItem(Resolve(Q(text)), list());
  item->setData(Qt::UserRole, user_data);
}

void QtList::RemoveAll() {
  if (!widget_) return;
  const QSignalBlocker block(widget_);
  list()->clear();
}

std::string QtList::ItemText(int index) const {
  QListWidgetItem* item = widget_ ? list()->item(index) : nullptr;
  return item ? item->text().toStdString() : std::string();
}

int QtList::ItemUserData(int index) const {
  QListWidgetItem* item = widget_ ? list()->item(index) : nullptr;
  return item ? item->data(Qt::UserRole).toInt() : 0;
}

// --- QtLabel

QtLabel::QtLabel(QLabel* label) : QtControl(label) {}

void QtLabel::SetTextColor(std::uint32_t argb) {
  if (!widget_) return;
  widget_->setStyleSheet(QStringLiteral("color: %1;").arg(theme::CssColor(QColor::fromRgba(argb))));
}

std::unique_ptr<QtControl> MakeControl(QWidget* widget) {
  if (auto* b = qobject_cast<QAbstractButton*>(widget)) {
    if (b->isCheckable()) return std::make_unique<QtOption>(b);
    return std::make_unique<QtButton>(b);
  }
  if (auto* s = qobject_cast<QAbstractSlider*>(widget)) return std::make_unique<QtSlider>(s);
  if (auto* e = qobject_cast<QLineEdit*>(widget)) return std::make_unique<QtEdit>(e);
  if (auto* c = qobject_cast<QComboBox*>(widget)) return std::make_unique<QtCombo>(c);
  if (auto* l = qobject_cast<QListWidget*>(widget)) return std::make_unique<QtList>(l);
  if (auto* l = qobject_cast<QLabel*>(widget)) return std::make_unique<QtLabel>(l);
  return std::make_unique<QtControl>(widget);
}

}  // namespace tolva::kit

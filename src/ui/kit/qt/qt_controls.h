#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

#include "ui/kit/api/controls.h"

class QAbstractButton;
class QAbstractSlider;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

// Adapters from the kit's control kinds to QWidgets. Each holds a guarded pointer: after its
// widget is gone every call is a no-op returning a neutral value.
namespace tolva::kit {

inline constexpr const char* kUserDataProperty = "userData";

class QtControl : public virtual Control {
 public:
  explicit QtControl(QWidget* widget) : widget_(widget) {}
  QWidget* widget() const { return widget_; }

  std::string Name() const override;
  int UserData() const override;
  void SetUserData(int value) override;
  std::string Text() const override;
  std::string RawText() const override;
  void SetText(std::string_view text) override;
  bool IsVisible() const override;
  void SetVisible(bool visible) override;
  bool IsEnabled() const override;
  void SetEnabled(bool enabled) override;
  bool HasFocus() const override;
  void SetFocus() override;
  void Invalidate() override;

 protected:
  QPointer<QWidget> widget_;
};

class QtButton : public QtControl, public Button {
 public:
  explicit QtButton(QAbstractButton* button);
  bool IsSelected() const override;
  void SetSelected(bool selected) override;
  void SetTextColor(std::uint32_t argb) override;

 protected:
  QAbstractButton* button() const;
};

// A checkable button is an option and a button at once.
class QtOption : public QtButton, public Option {
 public:
  explicit QtOption(QAbstractButton* button) : QtButton(button) {}
  bool IsSelected() const override { return QtButton::IsSelected(); }
  void SetSelected(bool selected) override { QtButton::SetSelected(selected); }
};

class QtSlider : public QtControl, public Slider {
 public:
  explicit QtSlider(QAbstractSlider* slider);
  int Minimum() const override;
  int Maximum() const override;
  int Value() const override;
  void SetValue(int value) override;
  void SetRange(int minimum, int maximum) override;

 private:
  QAbstractSlider* slider() const;
};

class QtEdit : public QtControl, public Edit {
 public:
  explicit QtEdit(QLineEdit* edit);
  void SelectAll() override;
  void SetFocus() override;
};

class QtCombo : public QtControl, public Combo {
 public:
  explicit QtCombo(QComboBox* combo);
  std::string Text() const override;
  int Count() const override;
  int CurSel() const override;
  bool SelectItem(int index) override;
  std::string ItemText(int index) const override;
  void SetItemText(int index, std::string_view text) override;
  std::string ItemName(int index) const override;
  int FindItem(std::string_view name) const override;
  bool IsItemVisible(int index) const override;
  void SetItemVisible(int index, bool visible) override;
  void SetItemHeight(int pixels) override;
  int ItemHeight() const override;

 private:
  QComboBox* combo() const;
};

class QtList : public QtControl, public List {
 public:
  explicit QtList(QListWidget* list);
  int Count() const override;
  int CurSel() const override;
  bool SelectItem(int index) override;
  void AddItem(std::string_view text, int user_data) override;
  void RemoveAll() override;
  std::string ItemText(int index) const override;
  int ItemUserData(int index) const override;

 private:
  QListWidget* list() const;
};

class QtLabel : public QtControl, public Label {
 public:
  explicit QtLabel(QLabel* label);
  void SetTextColor(std::uint32_t argb) override;
};

// The adapter of the most specific kind for a widget.
std::unique_ptr<QtControl> MakeControl(QWidget* widget);

}  // namespace tolva::kit

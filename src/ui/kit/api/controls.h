#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The control kinds the logic drives, free of any toolkit type. Texts are UTF-8; a text that
// begins with "${" is a placeholder, kept as given and resolved through the language table when
// shown. Programmatic setters never raise notifications: only user input does.
namespace tolva::kit {

class Control {
 public:
  virtual ~Control() = default;
  virtual std::string Name() const = 0;
  // The integer user data of the control (0 when the layout gives none).
  virtual int UserData() const = 0;
  virtual void SetUserData(int value) = 0;
  // The text as shown (placeholders resolved).
  virtual std::string Text() const = 0;
  // The text as last given (a placeholder stays "${...}"); what the user typed for edits.
  virtual std::string RawText() const = 0;
  virtual void SetText(std::string_view text) = 0;
  virtual bool IsVisible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool HasFocus() const = 0;
  virtual void SetFocus() = 0;
  virtual void Invalidate() = 0;
};

// A push button; "selected" is the state of a button with a selected state (the connect button,
// the band enable buttons, the mode buttons).
class Button : public virtual Control {
 public:
  virtual bool IsSelected() const = 0;
  virtual void SetSelected(bool selected) = 0;
  // ARGB colour of the button's text.
  virtual void SetTextColor(std::uint32_t argb) = 0;
};

// An option or check box.
class Option : public virtual Control {
 public:
  virtual bool IsSelected() const = 0;
  virtual void SetSelected(bool selected) = 0;
};

class Slider : public virtual Control {
 public:
  virtual int Minimum() const = 0;
  virtual int Maximum() const = 0;
  virtual int Value() const = 0;
  // Clamped to the range.
  virtual void SetValue(int value) = 0;
  virtual void SetRange(int minimum, int maximum) = 0;
};

class Edit : public virtual Control {
 public:
  virtual void SelectAll() = 0;
};

// A combo box. Item names are the layout's ("source_bt"); an item's index is the stored code.
class Combo : public virtual Control {
 public:
  virtual int Count() const = 0;
  virtual int CurSel() const = 0;
  // Selects the item at index (-1 clears); false when the index is out of range.
  virtual bool SelectItem(int index) = 0;
  virtual std::string ItemText(int index) const = 0;
  virtual void SetItemText(int index, std::string_view text) = 0;
  virtual std::string ItemName(int index) const = 0;
  // -1 when no item has that name.
  virtual int FindItem(std::string_view name) const = 0;
  virtual bool IsItemVisible(int index) const = 0;
  virtual void SetItemVisible(int index, bool visible) = 0;
  // Height of every list item in pixels as drawn (the caller applies the display scale).
  virtual void SetItemHeight(int pixels) = 0;
  virtual int ItemHeight() const = 0;
};

class List : public virtual Control {
 public:
  virtual int Count() const = 0;
  virtual int CurSel() const = 0;
  virtual bool SelectItem(int index) = 0;
  virtual void AddItem(std::string_view text, int user_data) = 0;
  virtual void RemoveAll() = 0;
  virtual std::string ItemText(int index) const = 0;
  virtual int ItemUserData(int index) const = 0;
};

class Label : public virtual Control {
 public:
  virtual void SetTextColor(std::uint32_t argb) = 0;
};

// An item of a popup menu.
class MenuItem {
 public:
  virtual ~MenuItem() = default;
  virtual std::string Name() const = 0;
  virtual std::string UserData() const = 0;
  virtual std::string Text() const = 0;
  virtual bool IsVisible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // Icon by image name ("right.png"); an empty name removes it.
  virtual void SetIcon(std::string_view image) = 0;
  virtual bool HasIcon() const = 0;
};

class PopupMenu {
 public:
  virtual ~PopupMenu() = default;
  // Null when the menu has no item of that name.
  virtual MenuItem* FindItem(std::string_view name) = 0;
};

}  // namespace tolva::kit

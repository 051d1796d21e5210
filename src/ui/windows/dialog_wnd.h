#pragma once

#include <QDialog>
#include <QScrollArea>
#include <QString>

#include "ui/kit/api/control_surface.h"

class QLabel;
class QVBoxLayout;

namespace tolva::kit {
class CSButtonUI;
class QtControlSurface;
}

// The message text of a dialog: as tall as its wrapped lines, scrolling once the dialog would
// otherwise be taller than the screen.
class MessageTextScroll final : public QScrollArea {
 public:
  explicit MessageTextScroll(QWidget* parent);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

// What the five message windows share: a frameless tool window owned by its opener, centred
// over it at the opener's display scale, with a title label, a text label, a close button and a
// row of buttons, driven through the window's control surface.
class CDialogWnd : public QDialog {
  Q_OBJECT

 public:
  // window_name: "msgwnd"...; class_name: "MsgWnd"...
  CDialogWnd(QWidget* owner, const char* window_name, const char* class_name);
  ~CDialogWnd() override;

  // Set only when not empty; the layout's own text stays otherwise.
  void SetTitle(const QString& raw);
  void SetText(const QString& raw);
  // The text as a quieter line that says what to do, aligned with the content below it.
  void SetHint(const QString& raw);
  tolva::kit::ControlSurface& Surface();
  // Sizes the window, centres it over its owner and runs it modally.
  int Run();
  // Sizes and centres without running (for a window opened without a nested loop).
  void Prepare();

 protected:
  // Builds the common frame; content goes between the text and the buttons.
  QVBoxLayout* Content() const { return content_; }
  tolva::kit::CSButtonUI* AddButton(const char* name, const QString& raw_text);
  // A button or other notification; the default ends with the message dialog's codes.
  virtual void OnNotify(const tolva::kit::ControlNotify& notify);
  void FinishLayout();
  // A frameless window needs its own edge to stand apart from the window under it.
  void paintEvent(QPaintEvent* event) override;
  // Sized and centred again once shown: only then do the texts wear the theme's font, and a
  // wrapped text may need another line.
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Centre();

  tolva::kit::QtControlSurface* surface_;
  MessageTextScroll* text_scroll_ = nullptr;
  QVBoxLayout* content_ = nullptr;
  QWidget* buttons_ = nullptr;
};

// Names compared without regard to case, as the dialogs' buttons are.
bool SameName(const std::string& name, const char* expected);

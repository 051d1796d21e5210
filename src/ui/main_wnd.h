#pragma once

#include <QSize>
#include <QWidget>

#include <functional>

// The main window ("XML_MAIN"). Its public interface below is what the application shell relies
// on; the content is built by the window's own code.
class CMainWnd : public QWidget {
  Q_OBJECT

 public:
  explicit CMainWnd(QWidget* parent = nullptr);
  ~CMainWnd() override;

  // The layout's size at 100 % display scale.
  static QSize LayoutSize() { return QSize(1230, 650); }

  // Runs on a close request before the window goes (EqualizerManager's Disconnect).
  void SetCloseHook(std::function<void()> hook) { close_hook_ = std::move(hook); }
  // Runs after a language switch (re-composes the volume texts).
  void SetLanguageSwitchedHook(std::function<void()> hook) { language_hook_ = std::move(hook); }

  // Resolves every placeholder text on screen again, after the current language table changed.
  void RetranslateAll();
  // Ends every open message box captioned with the resolved "${tips}" with result 0.
  static void CloseOpenTipsBoxes();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void()> close_hook_;
  std::function<void()> language_hook_;
};

#include "ui/windows/window_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/theme.h"
#include "ui/windows/msg_wnd.h"

namespace tolva::ui {

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<std::string> Chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

}  // namespace

QMessageBox* NewMessageBox(QWidget* owner, const QString& raw_text, const QString& raw_caption) {
  auto* box = new QMessageBox(owner);
  box->setObjectName(QStringLiteral("tolvaMessageBox"));
  tolva::kit::theme::ApplyOwnerTheme(box, owner);
  tolva::kit::SetWindowTitleText(box, raw_caption);
  box->setText(tolva::kit::Resolve(raw_text));
  box->setStandardButtons(QMessageBox::Ok);
  // The toolkit's own "OK" would stay English in a Chinese window.
  box->button(QMessageBox::Ok)->setText(tolva::kit::Resolve(QStringLiteral("${confirm}")));
  return box;
}

void ShowUnitLeftNotice(QWidget* owner, const QString& raw_text) {
  constexpr const char* kUnitLeftNotice = "unitLeftNotice";
  const QString text = tolva::kit::Resolve(raw_text);
  QMessageBox* open = nullptr;
  if (owner != nullptr) {
    for (QMessageBox* box : owner->findChildren<QMessageBox*>(Qt::FindDirectChildrenOnly)) {
      if (box->isVisible() && box->property(kUnitLeftNotice).toBool()) open = box;  // the latest
    }
  }
  if (open != nullptr) {
    if (!open->text().contains(text)) open->setText(open->text() + QStringLiteral("\n\n") + text);
    return;
  }
  QMessageBox* box = NewMessageBox(owner, raw_text, QStringLiteral("${tips}"));
  box->setProperty(kUnitLeftNotice, true);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

void ShowMessageBox(QWidget* owner, const QString& raw_text, const QString& raw_caption) {
  std::unique_ptr<QMessageBox> box(NewMessageBox(owner, raw_text, raw_caption));
  box->exec();
}

int WindowDialogs::ShowMessageDialog(std::string_view title, std::string_view text) {
  return tolva::ui::ShowMessageDialog(owner_, Q(title), Q(text));
}

int WindowDialogs::ShowChoiceDialog(std::string_view title, std::string_view text,
                                    const std::vector<std::string>& buttons) {
  QStringList texts;
  for (const std::string& b : buttons) texts << QString::fromStdString(b);
  return tolva::ui::ShowChoiceDialog(owner_, Q(title), Q(text), texts);
}

int WindowDialogs::ShowCheckDialog(std::string_view title, std::string_view text,
                                   std::string_view option0, std::string_view option1) {
  return tolva::ui::ShowCheckDialog(owner_, Q(title), Q(text), Q(option0), Q(option1));
}

int WindowDialogs::ShowNameDialog(std::string& name) {
  QString buffer = QString::fromStdString(name);
  const int result = tolva::ui::ShowNameDialog(owner_, buffer);
  if (result == tolva::kit::kResultConfirm) name = buffer.toStdString();
  return result;
}

void WindowDialogs::ShowMessageBox(std::string_view text, std::string_view caption) {
  tolva::ui::ShowMessageBox(owner_, Q(text), Q(caption));
}

std::optional<std::string> WindowDialogs::GetOpenFileName(std::string_view title,
                                                          std::string_view filter) {
  return Chosen(
      QFileDialog::getOpenFileName(owner_, tolva::kit::Resolve(Q(title)), QString(),
                                   tolva::kit::Resolve(Q(filter))));
}

std::optional<std::string> WindowDialogs::GetSaveFileName(std::string_view title,
                                                          std::string_view filter,
                                                          std::string_view suggested_name) {
  return Chosen(QFileDialog::getSaveFileName(owner_, tolva::kit::Resolve(Q(title)),
                                             Q(suggested_name), tolva::kit::Resolve(Q(filter))));
}

}  // namespace tolva::ui

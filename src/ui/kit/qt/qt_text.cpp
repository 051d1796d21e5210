#include "ui/kit/qt/qt_text.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTranslator>
#include <QVariant>
#include <QWidget>

#include <memory>

#include "ui/kit/api/text.h"

namespace tolva::kit {
namespace {

constexpr const char* kRawText = "tolvaRawText";
constexpr const char* kShownText = "tolvaShownText";
constexpr const char* kRawTitle = "tolvaRawTitle";
constexpr const char* kRawToolTip = "tolvaRawToolTip";
constexpr int kRawRole = Qt::UserRole + 1;
constexpr int kNameRole = Qt::UserRole + 2;

bool IsRaw(const QString& text) {
  return text.startsWith(QLatin1String("${"));
}

void ShowText(QWidget* widget, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(text);
  }
}

}  // namespace

QString Resolve(const QString& raw) {
  if (!IsRaw(raw)) return raw;
  return QString::fromStdString(ResolveText(raw.toStdString()));
}

QString WidgetShownText(const QWidget* widget) {
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  return {};
}

bool SetWidgetText(QWidget* widget, const QString& raw) {
  if (widget == nullptr) return false;
  const QString shown = Resolve(raw);
  // A refresh rewrites every band box on each drag move; an unchanged box is left alone, so it
  // neither repaints nor loses the caret of a user typing in it.
  if (shown == WidgetShownText(widget) && widget->property(kRawText).toString() ==
                                              (IsRaw(raw) ? raw : QString())) {
    return false;
  }
  ShowText(widget, shown);
  if (IsRaw(raw)) {
    widget->setProperty(kRawText, raw);
    widget->setProperty(kShownText, shown);
  } else {
    widget->setProperty(kRawText, QVariant());
    widget->setProperty(kShownText, QVariant());
  }
  return true;
}

QString WidgetRawText(const QWidget* widget) {
  if (widget == nullptr) return {};
  const QString shown = WidgetShownText(widget);
  const QVariant raw = widget->property(kRawText);
  // An edit the user typed into no longer shows the placeholder.
  if (raw.isValid() && widget->property(kShownText).toString() == shown) return raw.toString();
  return shown;
}

void SetWindowTitleText(QWidget* window, const QString& raw) {
  window->setWindowTitle(Resolve(raw));
  window->setProperty(kRawTitle, IsRaw(raw) ? QVariant(raw) : QVariant());
}

void SetToolTipText(QWidget* widget, const QString& raw) {
  widget->setToolTip(Resolve(raw));
  widget->setProperty(kRawToolTip, IsRaw(raw) ? QVariant(raw) : QVariant());
}

void AddComboItem(QComboBox* combo, const QString& name, const QString& raw) {
  combo->addItem(Resolve(raw));
  const int index = combo->count() - 1;
  combo->setItemData(index, raw, kRawRole);
  combo->setItemData(index, name, kNameRole);
}

void SetComboItemText(QComboBox* combo, int index, const QString& raw) {
  if (index < 0 || index >= combo->count()) return;
  combo->setItemText(index, Resolve(raw));
  combo->setItemData(index, raw, kRawRole);
}

QString ComboItemRawText(const QComboBox* combo, int index) {
  const QVariant raw = combo->itemData(index, kRawRole);
  return raw.isValid() ? raw.toString() : combo->itemText(index);
}

QString ComboItemName(const QComboBox* combo, int index) {
  return combo->itemData(index, kNameRole).toString();
}

void RetranslateTree(QWidget* root) {
  if (root == nullptr) return;
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* widget : widgets) {
    const QVariant raw = widget->property(kRawText);
    if (raw.isValid()) {
      if (widget->property(kShownText).toString() == WidgetShownText(widget)) {
        SetWidgetText(widget, raw.toString());
      } else {
        widget->setProperty(kRawText, QVariant());  // typed over: the user's text stays
      }
    }
    const QVariant title = widget->property(kRawTitle);
    if (title.isValid()) widget->setWindowTitle(Resolve(title.toString()));
    const QVariant tip = widget->property(kRawToolTip);
    if (tip.isValid()) widget->setToolTip(Resolve(tip.toString()));
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      for (int i = 0; i < combo->count(); ++i) {
        const QVariant item = combo->itemData(i, kRawRole);
        if (item.isValid()) combo->setItemText(i, Resolve(item.toString()));
      }
    }
    widget->updateGeometry();
    widget->update();
  }
}

bool FollowToolkitLanguage(bool chinese) {
  static std::unique_ptr<QTranslator> installed;
  if (installed) {
    QCoreApplication::removeTranslator(installed.get());
    installed.reset();
  }
  if (!chinese) return true;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  QCoreApplication::installTranslator(translator.get());
  installed = std::move(translator);
  return true;
}

}  // namespace tolva::kit

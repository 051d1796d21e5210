#include "ui/main/widget_builders.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "ui/kit/widgets/circle_progress.h"
#include "ui/kit/qt/qt_controls.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"

namespace tolva::ui {
namespace {

template <typename W>
W* Named(W* widget, const QString& name, int index) {
  widget->setObjectName(name);
  if (index != kNoIndex) widget->setProperty(kit::kUserDataProperty, index);
  return widget;
}

}  // namespace

QString Indexed(const char* format, int index) {
  return QString::asprintf(format, index);
}

kit::CSButtonUI* MakeButton(QWidget* parent, const QString& name, const QString& raw_text,
                            int width, int height, int index) {
  auto* button = Named(new kit::CSButtonUI(parent), name, index);
  kit::SetWidgetText(button, raw_text);
  kit::theme::FixSize(button, width, height);
  return button;
}

kit::CSButtonUI* MakeOption(QWidget* parent, const QString& name, const QString& raw_text,
                            int width, int height, int index) {
  kit::CSButtonUI* option = MakeButton(parent, name, raw_text, width, height, index);
  option->setCheckable(true);
  return option;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QString& raw_text, int width,
                    int height, int index) {
  auto* edit = Named(new QLineEdit(parent), name, index);
  edit->setAlignment(Qt::AlignCenter);
  kit::SetWidgetText(edit, raw_text);
  kit::theme::FixSize(edit, width, height);
  return edit;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& raw_text, const char* role) {
  auto* label = Named(new QLabel(parent), name, kNoIndex);
  if (role != nullptr) label->setProperty("role", role);
  kit::SetWidgetText(label, raw_text);
  return label;
}

QSlider* MakeSlider(QWidget* parent, const QString& name, bool vertical, int minimum, int maximum,
                    int index) {
  auto* slider = Named(new QSlider(vertical ? Qt::Vertical : Qt::Horizontal, parent), name, index);
  slider->setRange(minimum, maximum);
  slider->setFocusPolicy(Qt::NoFocus);  // the edit boxes own the keyboard
  return slider;
}

QComboBox* MakeCombo(QWidget* parent, const QString& name, int width, int height) {
  auto* combo = Named(new QComboBox(parent), name, kNoIndex);
  combo->setFocusPolicy(Qt::NoFocus);
  kit::theme::FixSize(combo, width, height);
  return combo;
}

QFrame* MakeStatusBand(QWidget* parent, const QString& tips_name, const QString& raw_tips) {
  auto* band = new QFrame(parent);
  band->setProperty("role", "band");
  auto* row = new QHBoxLayout(band);
  kit::theme::SetLayoutMetrics(row, 8, 12);
  auto* progress = Named(new kit::CCircleProgressUI(band), QStringLiteral("progress"), kNoIndex);
  kit::theme::FixSize(progress, 52, 52);
  row->addWidget(progress);
  QLabel* tips = MakeLabel(band, tips_name, raw_tips);
  tips->setWordWrap(true);
  tips->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  row->addWidget(tips, 1);
  return band;
}

}  // namespace tolva::ui
